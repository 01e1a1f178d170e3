#include "HelpViewer.h"

#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "ProgramIcon.h"
#include "WindowFont.h"

namespace {
QString HelpFile;
}  // namespace

void SetApplicationHelpFile(const QString& path)
{
    HelpFile = path;
}

QString ApplicationHelpFile()
{
    return HelpFile;
}

THelpWindow::THelpWindow(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Harvik ヘルプ"));
    setWindowIcon(ProgramIcon());
    setFont(GothicFont(14));
    FBrowser = new QTextBrowser(this);
    FBrowser->setObjectName(QStringLiteral("HelpBrowser"));
    FBrowser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FBrowser);
    resize(560, 480);
}

void THelpWindow::Open(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        FBrowser->setHtml(QStringLiteral("<h3>ヘルプを表示できません</h3><p>ヘルプファイル「%1」を開けませんでした"
                                         "（%2）。</p>")
                              .arg(path.toHtmlEscaped(), file.errorString().toHtmlEscaped()));
        return;
    }
    FBrowser->setHtml(QString::fromUtf8(file.readAll()));
}

void TWindowHelpViewer::ShowContents(QWidget* owner, const QString& path)
{
    if (!FWindow || FWindow->parentWidget() != owner) FWindow = new THelpWindow(owner);
    FWindow->Open(path);
    FWindow->show();
    FWindow->raise();
    FWindow->activateWindow();
}
