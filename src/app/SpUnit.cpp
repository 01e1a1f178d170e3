#include "SpUnit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPaintEvent>
#include <QProxyStyle>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionProgressBar>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "ProgramIcon.h"
#include "WindowFont.h"
#include "X11Desktop.h"

TSpForm* SpForm = nullptr;

namespace {
constexpr int ClientWidth = 331, ClientHeight = 147;
constexpr int OuterWidth = 339, OuterHeight = 174;
}  // namespace

// The bar's style: the application's, except that a step of the bar is put together from pictures
// (TSplashBar::PaintComposed) rather than painted by it. Drawing through the style keeps the stock
// bar's own record of what it painted, by which it decides how much of it a new position repaints.
class TSplashBarStyle : public QProxyStyle
{
public:
    explicit TSplashBarStyle(TSplashBar* bar) : FBar(bar) {}

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (element == CE_ProgressBar && widget == FBar)
            if (const auto* bar = qstyleoption_cast<const QStyleOptionProgressBar*>(option))
                if (FBar->PaintComposed(*bar, *painter)) return;
        QProxyStyle::drawControl(element, option, painter, widget);
    }

private:
    TSplashBar* FBar;
};

TSplashBar::TSplashBar(QWidget* parent) : QProgressBar(parent)
{
    auto* composing = new TSplashBarStyle(this);
    composing->setParent(this);
    setStyle(composing);
    setRange(0, 48);
    setValue(0);
    setTextVisible(false);
}

void TSplashBar::SetPosition(int position)
{
    const int painted = FPainted;
    const bool stepwise = painted >= 0 && orientation() == Qt::Horizontal && !invertedAppearance() && !isRightToLeft();
    FStepping = stepwise;
    // The stock bar repaints itself, whole, only for a step of at least one chunk of its style; in the
    // default style one prefecture is less than that, so every other step never reached the screen.
    setValue(position);
    // Painting only the changed part keeps a step cheap; the repaint also flushes it to the screen,
    // with no pass through the event loop.
    if (FPainted != value()) {
        if (stepwise)
            repaint(ChangedPart(painted, value()));
        else
            repaint();
    }
    FStepping = false;
}

QRect TSplashBar::ChangedPart(int from, int to) const
{
    QStyleOptionProgressBar option;
    initStyleOption(&option);
    // The end of the filled part is drawn with a border and rounded corners a few pixels wide; one
    // chunk of the style on either side covers them, and the chunks of styles that draw chunks.
    const int margin = style()->pixelMetric(QStyle::PM_ProgressBarChunkWidth, &option, this);
    const int left = std::min(FillEnd(option, from), FillEnd(option, to)) - margin;
    const int right = std::max(FillEnd(option, from), FillEnd(option, to)) + margin;
    return QRect(left, 0, right - left, height()) & rect();
}

int TSplashBar::FillEnd(const QStyleOptionProgressBar& option, int position) const
{
    const QRect contents = style()->subElementRect(QStyle::SE_ProgressBarContents, &option, this);
    const qint64 steps = std::max<qint64>(1, qint64(maximum()) - minimum());
    return contents.left() + static_cast<int>(contents.width() * (qint64(position) - minimum()) / steps);
}

void TSplashBar::paintEvent(QPaintEvent* event)
{
    FPainted = value();
    QProgressBar::paintEvent(event);
}

QImage TSplashBar::Rendered(const QStyleOptionProgressBar& option, int position) const
{
    QStyle* painting = style();
    if (auto* proxy = qobject_cast<QProxyStyle*>(painting)) painting = proxy->baseStyle();
    const qreal ratio = devicePixelRatio();
    QImage picture(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    if (QWidget* window = parentWidget())
        window->render(&painter, -pos(), QRegion(geometry()), QWidget::DrawWindowBackground);
    QStyleOptionProgressBar at = option;
    at.progress = position;
    painting->drawControl(QStyle::CE_ProgressBar, &at, &painter, this);
    painter.end();
    return picture.convertToFormat(QImage::Format_RGB32);
}

bool TSplashBar::PaintComposed(const QStyleOptionProgressBar& option, QPainter& painter)
{
    // The style paints a bar whole at every step, which took most of a step's time. The default
    // style's filled end looks the same wherever it ends (at whole pixels), so a step is put together
    // from three pictures taken once: the full bar left of the end, the empty bar right of it, and
    // around it the end of a bar filled to the middle. Any other style paints each step itself.
    // The pictures hold the window's background as well, as the window paints it: a solid fill.
    if (!FStepping || !parentWidget() || !parentWidget()->autoFillBackground() || option.rect != rect()) return false;
    const auto* proxy = qobject_cast<const QProxyStyle*>(style());
    if (!proxy || proxy->baseStyle()->name() != QLatin1String("fusion")) return false;
    const int margin = style()->pixelMetric(QStyle::PM_ProgressBarChunkWidth, &option, this);
    const int end = FillEnd(option, option.progress);
    // Near either end of the bar the filled part meets the bar's own rounded ends.
    if (end < 2 * margin || end + 2 * margin > width()) return false;
    if (!FPictures || FPictures->Style != proxy->baseStyle() || FPictures->Option.state != option.state ||
        FPictures->Option.rect != option.rect || FPictures->Option.palette != option.palette ||
        FPictures->Option.palette.currentColorGroup() != option.palette.currentColorGroup()) {
        auto pictures = std::make_unique<TPictures>();
        pictures->Style = proxy->baseStyle();
        pictures->Option = option;
        const int middle = minimum() + (maximum() - minimum()) / 2;
        pictures->MiddleEnd = FillEnd(option, middle);
        if (pictures->MiddleEnd < 2 * margin || pictures->MiddleEnd + 2 * margin > width()) return false;
        pictures->Empty = Rendered(option, minimum());
        pictures->Full = Rendered(option, maximum());
        pictures->Middle = Rendered(option, middle);
        FPictures = std::move(pictures);
    }
    const qreal ratio = devicePixelRatio();
    const auto source = [ratio](const QRect& r) {
        return QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio);
    };
    // Only the part being repainted reaches the window: the painter is clipped to it.
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QRect full(QPoint(0, 0), QPoint(end - margin - 1, height() - 1));
    const QRect around(QPoint(end - margin, 0), QPoint(end + margin - 1, height() - 1));
    const QRect empty(QPoint(end + margin, 0), QPoint(width() - 1, height() - 1));
    if (!full.isEmpty()) painter.drawImage(QRectF(full), FPictures->Full, source(full));
    if (!around.isEmpty())
        painter.drawImage(QRectF(around), FPictures->Middle, source(around.translated(FPictures->MiddleEnd - end, 0)));
    if (!empty.isEmpty()) painter.drawImage(QRectF(empty), FPictures->Empty, source(empty));
    painter.restore();
    return true;
}

TSpForm::TSpForm(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("SpForm"));
    setWindowTitle(QStringLiteral("起動中"));
    setWindowIcon(ProgramIcon());
    // Closing the splash window must never count as closing the program's last window.
    setAttribute(Qt::WA_QuitOnClose, false);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    resize(ClientWidth, ClientHeight);

    // The controls stay hidden, and the labels without their texts, until the window has been asked
    // for (ShowCentred): the first text given to a control or the first control shown connects the
    // toolkit to the desktop's accessibility service, which takes a few milliseconds (more where there
    // is no such service), and that is better spent while the window manager maps the window.
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(64, 96);
    Label1->hide();

    ProgressBar1 = new TSplashBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(0, ClientHeight - 17, ClientWidth, 17);
    ProgressBar1->hide();

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(ProgramIconPixmap());
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setGeometry(24, 32, 41, 33);
    Image1->hide();

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(96, 32);
    Label2->hide();
}

void TSpForm::ShowPainted()
{
    ShowCentred();
    WaitPainted();
}

void TSpForm::ShowCentred()
{
    // Centred on the screen by the designed outer size; move() before the first show places the
    // frame's top-left corner.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.left() + std::max(0, (area.width() - OuterWidth) / 2),
             area.top() + std::max(0, (area.height() - OuterHeight) / 2));
    }
    show();
    raise();
    // The requests would wait in the toolkit's buffer for the next pass through the event loop: sent
    // now, the window manager maps the window while the caller goes on. On an X server they are
    // only sent, not waited for: the caller's work goes on while the server handles them.
    if (!SendQueuedX11Requests()) QGuiApplication::sync();
    // The program's first font reads the font database, and showing a label sizes it to its text,
    // which loads its font: the fonts and the labels come after the window, so that this happens
    // while the window manager maps the window. Nothing is painted before WaitPainted.
    setFont(GothicFont(12));
    Label1->setFont(GothicFont(20, true));
    Label2->setFont(GothicFont(27));
    Label1->setText(QStringLiteral("しばらくお待ちください"));
    Label2->setText(QStringLiteral("Harvik"));
    Label1->adjustSize();
    Label1->show();
    ProgressBar1->show();
    Image1->show();
    Label2->adjustSize();
    Label2->show();
    // A paint before this point (a platform that exposes the window as it is shown) lacks the labels.
    FPaintedWhole = false;
}

void TSpForm::paintEvent(QPaintEvent* event)
{
    if (event->region().contains(rect())) FPaintedWhole = true;
    QWidget::paintEvent(event);
}

void TSpForm::WaitPainted()
{
    // Nothing reaches the screen until the window is exposed, and the loader processes no events
    // while it reads: wait for the exposure here, letting no user input through.
    QElapsedTimer waited;
    waited.start();
    const auto exposed = [this] { return windowHandle() && windowHandle()->isExposed(); };
    while (!exposed() && waited.elapsed() < 2000) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        // The display server and the window manager are the ones at work now: looking again at once
        // would keep a processor from them on a busy machine. A short pause between looks leaves it.
        if (!exposed()) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    // The toolkit paints a window as it is exposed, and puts that on the screen: a second paint of
    // all of it would only repeat that one.
    if (!FPaintedWhole) repaint();
}

TSplashDuringLoad::TSplashDuringLoad()
{
    auto form = std::make_unique<TSpForm>();
    form->ShowCentred();
    SpForm = form.release();
}

void TSplashDuringLoad::WaitPainted()
{
    SpForm->WaitPainted();
}

TSplashDuringLoad::~TSplashDuringLoad()
{
    SpForm->close();
    delete SpForm;
    SpForm = nullptr;
}

void TSplashDuringLoad::Progress(int prefectures)
{
    SpForm->ProgressBar1->SetPosition(prefectures);
}
