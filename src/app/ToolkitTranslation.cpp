#include "ToolkitTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

bool InstallToolkitTranslation()
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) return false;
    // Looked up by an explicit Japanese locale, not the desktop's: the program speaks Japanese only.
    auto catalogue = std::make_unique<QTranslator>(application);
    if (!catalogue->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    if (!QCoreApplication::installTranslator(catalogue.get())) return false;
    catalogue.release();  // owned by the application from here on
    return true;
}
