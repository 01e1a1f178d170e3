#pragma once
#include <QFont>

// The windows' font "ＭＳ Ｐゴシック" with characters `pixelHeight` pixels high (as designed at 96
// dots per inch). Its family is that name when such a font is installed, else the first installed of
// its substitutes IPA P Gothic, IPA Gothic and Noto Sans CJK JP, so Japanese text renders; with none
// of them the name is kept and the toolkit picks a font. The choice is made once per program.
QFont GothicFont(int pixelHeight, bool bold = false);
