#include "WindowFont.h"

#include <QFontDatabase>
#include <QStringList>

QFont GothicFont(int pixelHeight, bool bold)
{
    static const QString requested = QStringLiteral("ＭＳ Ｐゴシック");
    // The toolkit resolves a family it does not have through a search of every installed font for
    // each kind of script (kanji, kana, Latin...) of each text a font first draws. Choosing the
    // installed family once spares that search; the choice is the one the substitution makes.
    static const QStringList families = [] {
        const QStringList installed = {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                                       QStringLiteral("Noto Sans CJK JP")};
        QFont::insertSubstitutions(requested, installed);
        const QStringList all = QFontDatabase::families();
        const auto has = [&all](const QString& family) { return all.contains(family, Qt::CaseInsensitive); };
        if (has(requested)) return QStringList{requested};
        for (const QString& family : installed)
            if (has(family)) return QStringList{family};
        return QStringList{requested};
    }();
    QFont font(families.first());
    font.setFamilies(families);
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}
