#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QProgressBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QWindow>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

#include "Errors.h"
#include "NationalList.h"
#include "FormFixture.h"
#include "RecordingErrorBox.h"
#include "RecordingHelpViewer.h"
#include "ScratchProgram.h"
#include "SpUnit.h"
#include "Watchdog.h"

namespace {

std::vector<std::string> ThreePrefectures()
{
    return {
        Town("0600000", "北海道", "札幌市中央区", "以下に掲載がない場合"),
        Town("0600001", "北海道", "札幌市中央区", "北一条西"),
        Town("1000001", "東京都", "千代田区", "千代田"),
        Town("1000002", "東京都", "千代田区", "皇居外苑"),
        Town("1000003", "東京都", "千代田区", "一ツ橋"),
        Town("6048001", "京都府", "京都市中京区", "御池通"),
    };
}

// The splash window's bar as the screen shows it: what was last painted and flushed there.
QImage BarOnScreen()
{
    const QProgressBar* bar = SpForm->ProgressBar1;
    const QPixmap shown = SpForm->screen()->grabWindow(SpForm->winId(), bar->x(), bar->y(), bar->width(), bar->height());
    return shown.toImage().convertToFormat(QImage::Format_RGB32);
}

// A data file that notes, at every read, the position of the splash window's bar each time it has
// changed, and separately the positions that had not reached the screen by that read. What the bar
// should show is rendered by a hidden splash window of its own: rendering the real one would repaint
// it and hide the very fault looked for.
class TWatchedSource : public TMemorySource
{
public:
    TWatchedSource(std::string bytes, QList<int>& seen, QList<int>& notOnScreen, std::size_t chunk = 16)
        : TMemorySource(std::move(bytes), chunk), FSeen(seen), FNotOnScreen(notOnScreen)
    {
        FReference.ProgressBar1->show();  // a splash window's controls show with it
    }
    std::size_t Read(char* buffer, std::size_t size) override
    {
        const int value = SpForm && SpForm->isVisible() ? SpForm->ProgressBar1->value() : -1;
        if (FSeen.isEmpty() || FSeen.back() != value) {
            FSeen.append(value);
            if (value >= 0 && BarOnScreen() != Expected(value)) FNotOnScreen.append(value);
        }
        return TMemorySource::Read(buffer, size);
    }

private:
    QImage Expected(int value)
    {
        FReference.ProgressBar1->setValue(value);
        return FReference.grab(FReference.ProgressBar1->geometry()).toImage().convertToFormat(QImage::Format_RGB32);
    }

    QList<int>& FSeen;
    QList<int>& FNotOnScreen;
    TSpForm FReference;
};

int SplashWindows()
{
    int count = 0;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (dynamic_cast<TSpForm*>(window)) ++count;
    return count;
}

}  // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private:
    TRecordingErrorBox FErrors;
    TRecordingHelpViewer FHelp;
    TScratchProgram FProgram;  // the window keeps its INI file in a folder of this test's own

private slots:
    void init() { FErrors.Texts.clear(); }

    void SplashIsPaintedBeforeTheFileOpensAndCountsPrefectures()
    {
        bool shownAtOpen = false, wholeOnScreenAtOpen = false, mainWindowMadeAtOpen = false;
        QList<int> seen, notOnScreen;
        const std::string file = KenFile(ThreePrefectures());
        ThenkanForm form(FHelp, [&] {
            shownAtOpen = SpForm && SpForm->isVisible() && SpForm->windowHandle()->isExposed() &&
                          SpForm->windowTitle() == QStringLiteral("起動中") && SpForm->ProgressBar1->maximum() == 48;
            // All of the splash window, labels and icon included, is on the screen as it paints it.
            const QImage onScreen = SpForm->screen()->grabWindow(SpForm->winId()).toImage().convertToFormat(QImage::Format_RGB32);
            wholeOnScreenAtOpen = onScreen == SpForm->grab().toImage().convertToFormat(QImage::Format_RGB32);
            // The main window is ready for its first showing before the load, yet not shown.
            mainWindowMadeAtOpen = henkanForm && henkanForm->testAttribute(Qt::WA_WState_Created) && !henkanForm->isVisible();
            return std::make_unique<TWatchedSource>(file, seen, notOnScreen);
        });
        QVERIFY(shownAtOpen);
        QVERIFY(wholeOnScreenAtOpen);
        QVERIFY(mainWindowMadeAtOpen);
        QCOMPARE(seen, QList<int>({0, 1, 2, 3}));
        // Regression: a step smaller than the style's chunk left the bar on screen a step behind.
        QCOMPARE(notOnScreen, QList<int>());
        QCOMPARE(SpForm, nullptr);
        QCOMPARE(SplashWindows(), 0);
        QVERIFY(!form.isVisible());
        QCOMPARE(FErrors.Texts, QStringList());
    }

    // Real data: the national list (fails when ../shared/data/ken_all.zip is missing).
    void NationalListAdvancesTheBarOncePerPrefectureTo47Of48()
    {
        std::ifstream file(NationalListPath(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        QList<int> seen, notOnScreen;
        ThenkanForm form(FHelp, [&] { return std::make_unique<TWatchedSource>(bytes, seen, notOnScreen, 4096); });
        QList<int> everyCount;
        for (int n = 0; n <= 47; ++n) everyCount.append(n);
        QCOMPARE(seen, everyCount);
        QCOMPARE(notOnScreen, QList<int>());
        QCOMPARE(FErrors.Texts, QStringList());
        QCOMPARE(form.Tables().Prefs[46].FirstCity > 0, true);
    }

    void SplashWindowIsCentredOnTheScreen()
    {
        TSpForm splash;
        splash.ShowPainted();
        const QRect screen = splash.screen()->geometry();
        QCOMPARE(splash.size(), QSize(331, 147));
        QCOMPARE(splash.frameGeometry().topLeft(),
                 QPoint((screen.width() - 339) / 2, (screen.height() - 174) / 2));
        QCOMPARE(splash.Label1->text(), QStringLiteral("しばらくお待ちください"));
        QCOMPARE(splash.ProgressBar1->geometry(), QRect(0, 130, 331, 17));
        // The labels are shown after the window itself, sized to their texts at their places.
        QCOMPARE(splash.Label1->pos(), QPoint(64, 96));
        QCOMPARE(splash.Label2->pos(), QPoint(96, 32));
        for (const QLabel* label : {splash.Label1, splash.Label2}) {
            QVERIFY(label->isVisible());
            QCOMPARE(label->size(), label->sizeHint());
        }
    }

    void FailedLoadClosesTheSplashFirstAndOpensOnWhatWasLoaded()
    {
        std::vector<std::string> lines = ThreePrefectures();
        lines.push_back("");  // an empty last line has no field 6
        int splashesAtError = -1;
        FErrors.OnShow = [&] { splashesAtError = SpForm ? 1 : SplashWindows(); };
        auto form = MakeForm(FHelp, lines);
        FErrors.OnShow = nullptr;
        QCOMPARE(FErrors.Texts, QStringList({"リストのインデックスが範囲を超えています (6)"}));
        QCOMPARE(splashesAtError, 0);

        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QTest::keyClicks(form->Edit1, "10");
        QCOMPARE(ListLines(*form).size(), 3);
        form->Edit1->setText(QStringLiteral("御池"));
        QTest::keyClick(form->Edit1, Qt::Key_Return);
        QCOMPARE(ListLines(*form), QStringList({"604-8001  京都府京都市中京区御池通"}));
    }

    void MissingDataFileIsReportedWithAFullStopAndTheWindowOpensEmpty()
    {
        QTemporaryDir empty;
        const std::string folder = empty.path().toStdString();
        ThenkanForm form(FHelp, [folder] { return OpenDataFile(folder); });
        QCOMPARE(FErrors.Texts, QStringList({"ファイルが見つかりません."}));
        QCOMPARE(SplashWindows(), 0);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::keyClicks(form.Edit1, "10");
        QCOMPARE(StatusText(form), QStringLiteral("0件"));
    }

    void FifoInPlaceOfTheDataFileIsReportedAtOnceAndTheWindowOpensEmpty()
    {
        QTemporaryDir folder;
        const std::string fifo = folder.filePath(QStringLiteral("Ken_all.csv")).toStdString();
        QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
        const int stalledWriter = ::open(fifo.c_str(), O_RDWR);  // reads from the FIFO would wait for it
        QVERIFY(stalledWriter >= 0);
        {
            const TWatchdog watchdog("the window's start on a FIFO", std::chrono::seconds(10));
            ThenkanForm form(FHelp, [&folder] { return OpenDataFile(folder.path().toStdString()); });
            QCOMPARE(FErrors.Texts, QStringList({"データファイルが通常のファイルではありません."}));
            QCOMPARE(SplashWindows(), 0);
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            QTest::keyClicks(form.Edit1, "10");
            QCOMPARE(StatusText(form), QStringLiteral("0件"));
        }
        ::close(stalledWriter);
    }

    void LoadsKenAllCsvFromTheWorkingFolder()
    {
        QTemporaryDir folder;
        QFile data(folder.filePath(QStringLiteral("Ken_all.csv")));
        QVERIFY(data.open(QIODevice::WriteOnly));
        const std::string bytes = KenFile(ThreePrefectures());
        data.write(bytes.data(), static_cast<qint64>(bytes.size()));
        data.close();
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder.path()));
        ThenkanForm form(FHelp);
        QDir::setCurrent(before);
        QCOMPARE(FErrors.Texts, QStringList());
        QCOMPARE(form.Tables().Towns[5].Code, std::string_view("6048001"));
    }

    void ErrorBoxAddsAFullStopAfterCharactersAbove2E_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("kana") << QByteArray("\x82\xf1") << QByteArray("\x82\xf1.");                    // ん
        QTest::newRow("closing parenthesis") << QByteArray("(-1)") << QByteArray("(-1)");
        QTest::newRow("full stop itself") << QByteArray("done.") << QByteArray("done.");
        QTest::newRow("slash") << QByteArray("a/") << QByteArray("a/.");
        QTest::newRow("half-width kana") << QByteArray("\xb1") << QByteArray("\xb1.");                // ｱ
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }
    void ErrorBoxAddsAFullStopAfterCharactersAbove2E()
    {
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, shown);
        QCOMPARE(QByteArray::fromStdString(WithFullStop(message.toStdString())), shown);
    }

    void RealErrorBoxIsAnErrorMessageCaptionedHarvikWithOk()
    {
        IErrorBox* recorder = InstallErrorBox(nullptr);
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QList<QAbstractButton*> buttons;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->buttons();
            box->button(QMessageBox::Ok)->click();
        });
        ShowErrorBox(nullptr, "\x83\x74\x83\x40\x83\x43\x83\x8B");  // ファイル
        InstallErrorBox(recorder);
        QCOMPARE(title, QStringLiteral("Harvik"));
        QCOMPARE(text, QStringLiteral("ファイル."));
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(buttons.size(), 1);
    }

    void FailureInACommandShowsTheMessageAndTheWindowGoesOn()
    {
        auto form = MakeForm(FHelp, ThreePrefectures());
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->Copy2->setEnabled(true);  // as if left enabled by a search that failed halfway
        form->Copy2->trigger();
        QCOMPARE(FErrors.Texts, QStringList({"リストのインデックスが範囲を超えています (-1)"}));
        QTest::keyClicks(form->Edit1, "10");
        QCOMPARE(StatusText(*form), QStringLiteral("3件"));
    }

    // Regression: the help window opened partly below the bottom of the screen.
    void HelpWindowOpensInsideTheScreenBesideOrOverTheMainWindow()
    {
        TWindowHelpViewer viewer;
        auto form = MakeForm(viewer, ThreePrefectures());
        SetApplicationHelpFile(QStringLiteral(HARVIK_HELP_FILE));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        const QRect area = form->screen()->availableGeometry();
        for (const QPoint at : {QPoint(216, 123), QPoint(area.right() - 420, area.bottom() - 300), QPoint(0, 0),
                                QPoint(area.right() - 420, 0)}) {
            form->move(at);
            form->Help1->trigger();
            THelpWindow* help = nullptr;
            for (QObject* child : form->children())
                if (auto* window = dynamic_cast<THelpWindow*>(child)) help = window;
            QVERIFY(help);
            QVERIFY(QTest::qWaitForWindowExposed(help));
            const QRect frame = help->frameGeometry();
            QVERIFY2(area.contains(frame), qPrintable(QStringLiteral("main window at %1,%2").arg(at.x()).arg(at.y())));
            QVERIFY(frame.intersects(form->frameGeometry().adjusted(-1, -1, 1, 1)));  // beside or over it
            if (at.isNull()) {  // a help window on the screen stays where it is
                form->move(216, 123);
                form->Help1->trigger();
                QCOMPARE(help->frameGeometry(), frame);
            }
            help->close();
        }
    }

    void HelpWindowShowsTheShippedFileAndReportsAMissingOne()
    {
        THelpWindow help(nullptr);
        help.Open(QStringLiteral(HARVIK_HELP_FILE));
        QVERIFY(help.Browser()->toPlainText().contains(QStringLiteral("郵便番号")));
        QVERIFY(help.Browser()->toPlainText().contains(QStringLiteral("住所")));
        help.Open(QStringLiteral("/nonexistent/MIRELHELP.hlp"));
        QVERIFY(help.Browser()->toPlainText().contains(QStringLiteral("/nonexistent/MIRELHELP.hlp")));
    }
};

QTEST_MAIN(TestStartup)
#include "StartupTest.moc"
