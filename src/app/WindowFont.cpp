#include "WindowFont.h"

#include <QFontDatabase>
#include <QStringList>

QFont GothicFont(int pixelHeight, bool bold)
{
    static const QString requested = QStringLiteral("ＭＳ Ｐゴシック");
    // The toolkit resolves a family it does not have through a search of every installed font for
    // each kind of script (kanji, kana, Latin...) of each text a font first draws. Choosing the
    // installed family once spares that search; the choice is the one the substitution makes.
    static const QString family = [] {
        const QStringList installed = {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                                       QStringLiteral("Noto Sans CJK JP")};
        QFont::insertSubstitutions(requested, installed);
        const QStringList all = QFontDatabase::families();
        const auto has = [&all](const QString& name) { return all.contains(name, Qt::CaseInsensitive); };
        if (has(requested)) return requested;
        for (const QString& substitute : installed)
            if (has(substitute)) return substitute;
        return requested;
    }();
    QFont font(family);
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}
