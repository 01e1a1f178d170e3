#include "SpUnit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionProgressBar>
#include <QWindow>
#include <algorithm>
#include <memory>

#include "ProgramIcon.h"
#include "WindowFont.h"

TSpForm* SpForm = nullptr;

namespace {
constexpr int ClientWidth = 331, ClientHeight = 147;
constexpr int OuterWidth = 339, OuterHeight = 174;
}  // namespace

TSplashBar::TSplashBar(QWidget* parent) : QProgressBar(parent)
{
    setRange(0, 48);
    setValue(0);
    setTextVisible(false);
}

void TSplashBar::SetPosition(int position)
{
    const int painted = FPainted;
    // The stock bar repaints itself, whole, only for a step of at least one chunk of its style; in the
    // default style one prefecture is less than that, so every other step never reached the screen.
    setValue(position);
    if (FPainted == value()) return;
    // Painting only the changed part keeps a step cheap; the repaint also flushes it to the screen,
    // with no pass through the event loop.
    if (painted < 0 || orientation() != Qt::Horizontal || invertedAppearance() || isRightToLeft())
        repaint();
    else
        repaint(ChangedPart(painted, value()));
}

QRect TSplashBar::ChangedPart(int from, int to) const
{
    QStyleOptionProgressBar option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_ProgressBarContents, &option, this);
    const qint64 steps = std::max<qint64>(1, qint64(maximum()) - minimum());
    const auto fillEnd = [&](int position) {
        return contents.left() + static_cast<int>(contents.width() * (qint64(position) - minimum()) / steps);
    };
    // The end of the filled part is drawn with a border and rounded corners a few pixels wide; one
    // chunk of the style on either side covers them, and the chunks of styles that draw chunks.
    const int margin = style()->pixelMetric(QStyle::PM_ProgressBarChunkWidth, &option, this);
    const int left = std::min(fillEnd(from), fillEnd(to)) - margin;
    const int right = std::max(fillEnd(from), fillEnd(to)) + margin;
    return QRect(left, 0, right - left, height()) & rect();
}

void TSplashBar::paintEvent(QPaintEvent* event)
{
    FPainted = value();
    QProgressBar::paintEvent(event);
}

TSpForm::TSpForm(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("SpForm"));
    setWindowTitle(QStringLiteral("起動中"));
    setWindowIcon(ProgramIcon());
    // Closing the splash window must never count as closing the program's last window.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(GothicFont(12));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    resize(ClientWidth, ClientHeight);

    Label1 = new QLabel(QStringLiteral("しばらくお待ちください"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(GothicFont(20, true));
    Label1->move(64, 96);
    Label1->hide();  // until the window has been asked for: see ShowCentred

    ProgressBar1 = new TSplashBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(0, ClientHeight - 17, ClientWidth, 17);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(ProgramIconPixmap());
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setGeometry(24, 32, 41, 33);

    Label2 = new QLabel(QStringLiteral("Harvik"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(GothicFont(27));
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
    // now, the window manager maps the window while the caller goes on.
    QGuiApplication::sync();
    // Showing a label sizes it to its text, which loads its font, the program's first (the font
    // database is read then): the labels come after the window, so that this happens while the window
    // manager maps the window. Nothing is painted before WaitPainted.
    Label1->adjustSize();
    Label1->show();
    Label2->adjustSize();
    Label2->show();
}

void TSpForm::WaitPainted()
{
    // Nothing reaches the screen until the window is exposed, and the loader processes no events
    // while it reads: wait for the exposure here, letting no user input through.
    QElapsedTimer waited;
    waited.start();
    while (!(windowHandle() && windowHandle()->isExposed()) && waited.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    repaint();
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
