#include "WindowFont.h"

#include <QStringList>

QFont GothicFont(int pixelHeight, bool bold)
{
    static const QString requested = QStringLiteral("ＭＳ Ｐゴシック");
    static const bool substituted = [] {
        const QStringList installed = {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                                        QStringLiteral("Noto Sans CJK JP")};
        QFont::insertSubstitutions(requested, installed);
        return true;
    }();
    (void)substituted;
    QFont font(requested);
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}
