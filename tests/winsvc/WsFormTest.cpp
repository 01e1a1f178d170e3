#include <QCursor>
#include <QTest>
#include <QWindow>
#include <memory>

#include "Errors.h"
#include "FakeProfiles.h"
#include "RecordingScreen.h"
#include "ScratchProgram.h"
#include "WindowPlacement.h"
#include "WsTestWindow.h"

namespace {

// The failures the window services hand over for the error box, by message.
class TRecordedFailures
{
public:
    TRecordedFailures()
    {
        WsApplication.OnException = [this](QWidget*, std::exception_ptr failure) {
            try {
                std::rethrow_exception(failure);
            } catch (const std::exception& e) {
                Messages.append(QByteArray(e.what()));
            }
        };
    }
    ~TRecordedFailures() { WsApplication.OnException = nullptr; }
    QList<QByteArray> Messages;
};

std::unique_ptr<TTestWindow> ShownWindow(TWsDlgEffect effect = deNone)
{
    auto window = std::make_unique<TTestWindow>(effect);
    window->show();
    return QTest::qWaitForWindowExposed(window.get()) ? std::move(window) : nullptr;
}

const QByteArray CannotWrite = " \x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1";  // に書き込めません

} // namespace

class TestWsForm : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TScratchProgram> FProgram;
    std::unique_ptr<TRecordedFailures> FFailures;

private slots:
    void init()
    {
        FProgram = std::make_unique<TScratchProgram>();
        FFailures = std::make_unique<TRecordedFailures>();
    }
    void cleanup()
    {
        FFailures.reset();
        FProgram.reset();
    }

    void IniFilePathIsTheProgramFileWithINIInTheChosenFolder()
    {
        WsApplication.SetExeName("/opt/harvik/bin/harvik");
        qputenv("XDG_CONFIG_HOME", "/home/u/cfg");
        TWsIniCtrl ini(nullptr);
        ini.IniPrefix = ppProgram;
        QCOMPARE(ini.IniFilePath(), std::string("/opt/harvik/bin/harvik.INI"));
        QCOMPARE(ini.IniFile, std::string("/opt/harvik/bin/harvik.INI"));  // kept from now on
        ini.IniPrefix = ppWindows;
        QCOMPARE(ini.IniFilePath(), std::string("/home/u/cfg/harvik/harvik.INI"));
        ini.IniPrefix = ppFixed;
        ini.IniFile = "relative/x.ini";
        QCOMPARE(ini.IniFilePath(), std::string("relative/x.ini"));
        ini.IniPrefix = ppProgram;
        QCOMPARE(ini.IniFilePath(), std::string("/opt/harvik/bin/x.ini"));
        WsApplication.SetExeName("/usr/lib/x.exe");
        TWsIniCtrl fresh(nullptr);
        fresh.IniPrefix = ppProgram;
        QCOMPARE(fresh.IniFilePath(), std::string("/usr/lib/x.INI"));
        qunsetenv("XDG_CONFIG_HOME");
    }

    void EffectiveSectionFallsBackToTheLastOneOrCommon()
    {
        TWsIniCtrl ini(nullptr);
        QCOMPARE(ini.EffectiveSection("  "), std::string("Common"));
        QCOMPARE(ini.EffectiveSection("Other"), std::string("Other"));
        QCOMPARE(ini.EffectiveSection(""), std::string("Other"));
        QCOMPARE(ini.EffectiveSection("Common"), std::string("Common"));
    }

    void ARefusedWriteNamesTheFullFileName()
    {
        TFakeProfiles profiles;
        profiles.RefuseWrites = true;
        TWsIniCtrl ini(nullptr);
        ini.IniPrefix = ppProgram;
        try {
            ini.StoreValue("Common", "henkanForm", "x");
            QFAIL("the refused write went unreported");
        } catch (const EHarvikError& e) {
            QCOMPARE(QByteArray(e.what()), QByteArray::fromStdString(FProgram->Folder() + "/harvik.INI") + CannotWrite);
        }
    }

    void SavingRemovesTheColourAndFontKeysAndKeepsEverythingElse()
    {
        FProgram->SetIni("; by hand\r\n[Common]\r\nTestWindowColor=red\r\nkept=1\r\ntestwindowfont=MS\r\n[Other]\r\n"
                         "TestWindowColor=theirs\r\n");
        ShownWindow().reset();
        const QByteArray ini = FProgram->Ini();
        QVERIFY2(ini.startsWith("; by hand\r\n[Common]\r\nkept=1\r\nTestWindow=200,0,1,"), ini);
        QVERIFY2(ini.endsWith("\r\n[Other]\r\nTestWindowColor=theirs\r\n"), ini);
    }

    void AFailedSaveIsShownRemovesNothingAndThePreviousHandlerStillRuns()
    {
        TFakeProfiles profiles;
        profiles.RefuseWrites = true;
        struct TNotifying : QMainWindow, TWsDestroyNotify
        {
            ~TNotifying() override { NotifyDestroy(); }
        };
        auto notifying = std::make_unique<TNotifying>();
        bool previousRan = false;
        notifying->OnDestroy = [&] { previousRan = true; };
        auto* form = new TWsForm(notifying.get());
        auto* ini = new TWsIniCtrl(notifying.get());
        form->IniUse = ioUseLink;
        form->SetIniLink(ini);
        form->Loaded();
        notifying.reset();
        QVERIFY(previousRan);
        QCOMPARE(FFailures->Messages.size(), 1);
        QVERIFY(FFailures->Messages[0].endsWith(CannotWrite));
        QCOMPARE(profiles.Removed, 0);
    }

    void TheEffectPlaysOnADirectShowingOnlyBeforeTheWindowIsVisible()
    {
        TRecordingScreen screen;
        bool visibleDuringEffect = true;
        auto window = std::make_unique<TTestWindow>(deExplodeExt);
        screen.OnOpen = [&] { visibleDuringEffect = window->windowHandle()->isVisible(); };
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(!visibleDuringEffect);
        screen.OnOpen = nullptr;
        const QPoint pointer = QCursor::pos();
        const std::vector<TWsRect> pass = ExplodeExtOutlines({pointer.x(), pointer.y()}, ToWsRect(window->frameGeometry()));
        QCOMPARE(screen.Outlines.size(), std::size_t(160));
        QVERIFY(std::equal(pass.begin(), pass.end(), screen.Outlines.begin()));
        QVERIFY(std::equal(pass.begin(), pass.end(), screen.Outlines.begin() + 80));

        window->showMinimized();
        window->showNormal();
        window->hide();
        QCOMPARE(screen.Outlines.size(), std::size_t(160));
        window->show();  // shown again from hidden: a direct showing
        QCOMPARE(screen.Outlines.size(), std::size_t(320));
        window->close();
        window.reset();
        QCOMPARE(screen.Outlines.size(), std::size_t(320));

        ShownWindow(deExplode).reset();
        QCOMPARE(screen.Outlines.size(), std::size_t(400));
        ShownWindow(deNone).reset();
        QCOMPARE(screen.Outlines.size(), std::size_t(400));
    }

    void ADisabledFormNeitherRestoresNorSavesNorPlays()
    {
        TRecordingScreen screen;
        FProgram->SetIni("[Common]\nTestWindow=200,0,1,10,20,330,240\n");
        auto window = std::make_unique<TTestWindow>(deExplodeExt);
        window->WsForm->SetEnabled(false);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QCOMPARE(window->frameGeometry().topLeft(), QPoint(100, 80));
        QVERIFY(!window->WsForm->Restored());
        window.reset();
        QCOMPARE(screen.Outlines.size(), std::size_t(0));
        QCOMPARE(FProgram->Ini(), QByteArray("[Common]\nTestWindow=200,0,1,10,20,330,240\n"));

        auto enabledLater = std::make_unique<TTestWindow>();
        enabledLater->WsForm->SetEnabled(false);
        enabledLater->WsForm->SetEnabled(true);
        enabledLater->show();
        QVERIFY(QTest::qWaitForWindowExposed(enabledLater.get()));
        QCOMPARE(enabledLater->frameGeometry(), QRect(QPoint(10, 20), QPoint(329, 239)));
    }

    void ALinkToAnIniComponentThatGoesAwayIsCleared()
    {
        auto window = std::make_unique<TTestWindow>();
        delete window->Ini;
        QCOMPARE(window->WsForm->IniLink(), nullptr);
        window.reset();
        QVERIFY(!FProgram->IniExists());
    }
};

QTEST_MAIN(TestWsForm)
#include "WsFormTest.moc"
