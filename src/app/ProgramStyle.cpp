#include "ProgramStyle.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QStyleOption>
#include <memory>

namespace {

// Holds the maker until the icon is first needed, then the icon; shared by an icon's copies, which
// the toolkit makes of its engine whenever an icon is changed or detached.
struct TDeferredIconState
{
    std::function<QIcon()> Make;
    QIcon Made;
    bool Done = false;

    const QIcon& Icon()
    {
        if (!Done) {
            Done = true;
            Made = Make();
            Make = nullptr;
        }
        return Made;
    }
};

class TDeferredIconEngine : public QIconEngine
{
public:
    explicit TDeferredIconEngine(std::shared_ptr<TDeferredIconState> state) : FState(std::move(state)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        // As the toolkit's own engines paint: the picture for the rectangle at the device's pixel
        // ratio, drawn into it. The rectangle is already fitted and aligned by the caller.
        const QPaintDevice* device = painter->device();
        const qreal ratio = device ? device->devicePixelRatio() : qApp->devicePixelRatio();
        painter->drawPixmap(rect, FState->Icon().pixmap(rect.size(), ratio, mode, state));
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return FState->Icon().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        // At a ratio of 1 the made icon hands out its engine's own picture for `size`.
        return FState->Icon().pixmap(size, 1.0, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return FState->Icon().availableSizes(mode, state);
    }
    QString iconName() override { return FState->Icon().name(); }
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("TDeferredIconEngine"); }
    QIconEngine* clone() const override { return new TDeferredIconEngine(FState); }

private:
    std::shared_ptr<TDeferredIconState> FState;
};

}  // namespace

QIcon DeferredIcon(std::function<QIcon()> make)
{
    auto state = std::make_shared<TDeferredIconState>();
    state->Make = std::move(make);
    return QIcon(new TDeferredIconEngine(std::move(state)));
}

QIcon TProgramStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option, const QWidget* widget) const
{
    if (standardIcon != SP_ToolBarHorizontalExtensionButton || option)
        return QProxyStyle::standardIcon(standardIcon, option, widget);
    // Made later as it would be made now: the icon's arrow follows the program's layout direction of
    // this moment, which a style without an option reads from the application.
    const Qt::LayoutDirection direction = QGuiApplication::layoutDirection();
    const QPointer<const QWidget> asker(widget);
    const QPointer<QStyle> base(baseStyle());
    return DeferredIcon([base, direction, asker] {
        // A style set since then has taken this one's place: the application's draws the icon.
        QStyle* drawing = base ? base.data() : QApplication::style();
        if (QGuiApplication::layoutDirection() == direction)
            return drawing->standardIcon(SP_ToolBarHorizontalExtensionButton, nullptr, asker);
        QStyleOption then;
        then.direction = direction;
        return drawing->standardIcon(SP_ToolBarHorizontalExtensionButton, &then, asker);
    });
}

void InstallProgramStyle()
{
    QApplication::setStyle(new TProgramStyle);
}
