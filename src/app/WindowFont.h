#pragma once
#include <QFont>

// The windows' font "ＭＳ Ｐゴシック" with characters `pixelHeight` pixels high (as designed at 96
// dots per inch). The family is requested by that name and substituted by an installed Japanese
// Gothic (IPA P Gothic, then IPA Gothic, then Noto Sans CJK JP), so Japanese text renders.
QFont GothicFont(int pixelHeight, bool bold = false);
