#pragma once
#include <QIcon>
#include <QProxyStyle>
#include <functional>

// The window program's style: the desktop's style (the one the toolkit would choose, or the one asked
// for on the command line), except that the menu bar's extension icon, which shows only when the bar
// is too narrow for its items, is made only when it is first drawn or measured. Each menu bar asks for
// that icon as it is built, and the toolkit reads it from an image file, which first loads every image
// format plugin installed: a cost paid by every start for an icon the program's bar never shows at its
// designed width. The icon, once made, is the one the desktop's style gives.
class TProgramStyle : public QProxyStyle
{
public:
    // Over `base`, or over the desktop's style (made when first needed) when `base` is null; takes
    // ownership of `base`.
    explicit TProgramStyle(QStyle* base = nullptr) : QProxyStyle(base) {}

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

// An icon that `make` makes when the icon is first drawn, turned into a picture or asked for its
// sizes, and that then behaves as the icon made in every way. It is never a null icon, so `make`
// must give a non-null icon. `make` is called at most once per icon and its copies together.
QIcon DeferredIcon(std::function<QIcon()> make);

// Installs a TProgramStyle as the application's style, over the style the application has; call it
// after the application object exists and before any window is built.
void InstallProgramStyle();
