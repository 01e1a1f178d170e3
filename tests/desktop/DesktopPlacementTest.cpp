// The window services under a real window manager (openbox on Xvfb, started by with-window-manager):
// placements that survive save and restore to the pixel, and the opening effect on the screen.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <memory>

#include "RecordingScreen.h"
#include "ScratchProgram.h"
#include "WindowPlacement.h"
#include "WsTestWindow.h"
#include "X11Desktop.h"

namespace {

QImage ScreenImage()
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

int DifferingPixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size()) return -1;
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) differing += a.pixel(x, y) != b.pixel(x, y);
    return differing;
}

// The X server's screen, photographed when the effect takes it, after its first pass, and once it
// has let go of it.
class TPhotographedScreen : public IWsScreen
{
public:
    TPhotographedScreen() : FPrevious(WsApplication.SetScreen(this)) {}
    ~TPhotographedScreen() override { WsApplication.SetScreen(FPrevious); }

    std::unique_ptr<IWsScreenCanvas> OpenCanvas() override
    {
        std::unique_ptr<IWsScreenCanvas> real = FReal->OpenCanvas();
        if (!real) return nullptr;
        Before = ScreenImage();
        return std::make_unique<TCanvas>(std::move(real), *this);
    }

    QImage Before, BetweenPasses, After;
    int Outlines = 0;

private:
    class TCanvas : public IWsScreenCanvas
    {
    public:
        TCanvas(std::unique_ptr<IWsScreenCanvas> real, TPhotographedScreen& screen) : FReal(std::move(real)), FScreen(screen) {}
        ~TCanvas() override
        {
            FReal.reset();
            FScreen.After = ScreenImage();
        }
        void InvertOutline(const TWsRect& rect) override
        {
            FReal->InvertOutline(rect);
            if (++FScreen.Outlines == 80) FScreen.BetweenPasses = ScreenImage();
        }

    private:
        std::unique_ptr<IWsScreenCanvas> FReal;
        TPhotographedScreen& FScreen;
    };

    std::unique_ptr<IWsScreen> FReal = MakeX11Screen();
    IWsScreen* FPrevious;
};

// Shows the window and waits until the window manager has placed it and stopped moving it. The
// toolkit's idea of the frame lags behind the window manager's, so only the client area is watched.
bool ShowSettled(QWidget& window)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return false;
    QRect last;
    for (int stable = 0, waited = 0; waited < 5000; waited += 20) {
        QTest::qWait(20);
        stable = window.geometry() == last ? stable + 1 : 0;
        if (stable == 5) return true;
        last = window.geometry();
    }
    return false;
}

QString StoredValue(const TScratchProgram& program)
{
    const QByteArray ini = program.Ini();
    return QString::fromLatin1(ini.mid(ini.indexOf('=') + 1).trimmed());
}

// The value stored for a window of client area `client` in the show state `show`.
QString ValueOf(int show, const QRect& client)
{
    return QString::fromStdString(PlacementValueText({0, show, ToWsRect(client.marginsAdded(NormalFrameMargins()))}));
}

} // namespace

class TestDesktopPlacement : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TScratchProgram> FProgram;

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        // A window manager that has just started may take a while to answer its first question.
        QTRY_VERIFY_WITH_TIMEOUT(!NormalFrameMargins().isNull(), 20000);
    }
    void init() { FProgram = std::make_unique<TScratchProgram>(); }
    void cleanup() { FProgram.reset(); }

    void AMovedAndResizedWindowReopensThereCycleAfterCycle()
    {
        auto window = std::make_unique<TTestWindow>();
        QVERIFY(ShowSettled(*window));
        const QRect client(310, 230, 420, 260);
        window->setGeometry(client);
        QTRY_COMPARE(window->geometry(), client);
        window.reset();
        const QString saved = StoredValue(*FProgram);
        QCOMPARE(saved, ValueOf(1, client));
        for (int cycle = 1; cycle <= 3; ++cycle) {
            window = std::make_unique<TTestWindow>();
            QVERIFY(ShowSettled(*window));
            QCOMPARE(window->geometry(), client);
            window.reset();
            QCOMPARE(StoredValue(*FProgram), saved);
        }
    }

    void AWindowMovedBeforeItsFirstShowingKeepsThatFrameShownOrNot()
    {
        const QMargins frame = NormalFrameMargins();
        const QRect outer(QPoint(100, 80), QSize(300, 200).grownBy(frame));
        // Destroyed before it was ever shown, the window stores the frame it was moved to.
        {
            TTestWindow unshown;
        }
        QCOMPARE(StoredValue(*FProgram), QString::fromStdString(PlacementValueText({0, 1, ToWsRect(outer)})));
        FProgram.reset();
        FProgram = std::make_unique<TScratchProgram>();
        // Shown with nothing stored, its frame is where it was moved, and that is what it stores.
        auto window = std::make_unique<TTestWindow>();
        QVERIFY(ShowSettled(*window));
        QCOMPARE(window->geometry(), outer.marginsRemoved(frame));
        window.reset();
        QCOMPARE(StoredValue(*FProgram), QString::fromStdString(PlacementValueText({0, 1, ToWsRect(outer)})));
    }

    void AFrameAskedForAheadIsTheFrameAskedForAtOnce()
    {
        const QMargins atOnce = NormalFrameMargins();
        QVERIFY(!atOnce.isNull());
        AskNormalFrameMargins();
        AskNormalFrameMargins();  // a second question while one is pending adds nothing
        QCOMPARE(NormalFrameMargins(), atOnce);  // the answer to the question asked ahead
        QCOMPARE(NormalFrameMargins(), atOnce);  // none pending any more: asked anew
    }

    void AMaximisedWindowReopensMaximisedAndKeepsItsNormalRectangle()
    {
        auto window = std::make_unique<TTestWindow>();
        QVERIFY(ShowSettled(*window));
        const QRect normal = window->geometry();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        window->showMaximized();
        QTRY_VERIFY(window->isMaximized() && window->width() == screen.width());
        window.reset();
        QCOMPARE(StoredValue(*FProgram), ValueOf(3, normal));

        for (int cycle = 1; cycle <= 2; ++cycle) {
            window = std::make_unique<TTestWindow>();
            window->show();
            QTRY_VERIFY(window->isMaximized() && window->width() == screen.width());
            window.reset();
            QCOMPARE(StoredValue(*FProgram), ValueOf(3, normal));
        }
    }

    void TheRestoreLandsBeforeTheWindowFirstAppears()
    {
        FProgram->SetIni("[Common]\nTestWindow=200,0,1,500,300,800,500\n");
        const QRect client = QRect(QPoint(500, 300), QPoint(799, 499)).marginsRemoved(NormalFrameMargins());
        TTestWindow window;
        window.winId();
        QRect atFirstExposure;
        struct TFirstExposure : QObject
        {
            QWidget* Window;
            QRect* Seen;
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() == QEvent::Expose && Seen->isNull()) *Seen = Window->geometry();
                return false;
            }
        } watch;
        watch.Window = &window;
        watch.Seen = &atFirstExposure;
        window.windowHandle()->installEventFilter(&watch);
        QVERIFY(ShowSettled(window));
        QCOMPARE(atFirstExposure, client);
        QCOMPARE(window.geometry(), client);
    }

    // Screenshots of the whole screen: the effect's outlines are there after its first pass, and
    // after the second one the screen is as it was, to the pixel.
    void TheEffectLeavesTheScreenAsItFoundItAndShowsBetween()
    {
        auto other = std::make_unique<TTestWindow>();  // something on the screen to draw over
        other->WsForm->SetEnabled(false);
        other->setGeometry(150, 150, 600, 400);
        QVERIFY(ShowSettled(*other));
        QCursor::setPos(900, 700);
        TPhotographedScreen screen;
        auto window = std::make_unique<TTestWindow>(deExplodeExt);
        QVERIFY(ShowSettled(*window));
        QCOMPARE(screen.Outlines, 160);
        QCOMPARE(DifferingPixels(screen.Before, screen.After), 0);
        QVERIFY2(DifferingPixels(screen.Before, screen.BetweenPasses) > 1000,
                 qPrintable(QString::number(DifferingPixels(screen.Before, screen.BetweenPasses))));
    }

    void MinimisingAndRestoringThroughTheWindowManagerPlaysNothing()
    {
        TRecordingScreen screen;
        auto window = std::make_unique<TTestWindow>(deExplodeExt);
        QVERIFY(ShowSettled(*window));
        QCOMPARE(screen.Outlines.size(), std::size_t(160));
        window->showMinimized();
        QTRY_VERIFY(window->isMinimized());
        window->showNormal();
        QTRY_VERIFY(!window->isMinimized() && window->windowHandle()->isExposed());
        QTest::qWait(100);
        QCOMPARE(screen.Outlines.size(), std::size_t(160));
        window.reset();
        QCOMPARE(screen.Outlines.size(), std::size_t(160));
    }
};

QTEST_MAIN(TestDesktopPlacement)
#include "DesktopPlacementTest.moc"
