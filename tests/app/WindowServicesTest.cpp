#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>

#include "FormFixture.h"
#include "RecordingErrorBox.h"
#include "RecordingHelpViewer.h"
#include "ScratchProgram.h"

namespace {

std::vector<std::string> OneTown()
{
    return {Town("1000001", "東京都", "千代田区", "千代田")};
}

// The outer frame the window manager (here the offscreen platform's 2-pixel frame) puts around the
// window, as the INI file keeps it.
QString StoredFrame(const QWidget& window)
{
    const QRect frame = window.frameGeometry();
    return QStringLiteral("%1,%2,%3,%4")
        .arg(frame.left())
        .arg(frame.top())
        .arg(frame.left() + frame.width())
        .arg(frame.top() + frame.height());
}

} // namespace

// The main window with its window services, on the offscreen platform, in a program folder of its own.
class TestWindowServices : public QObject
{
    Q_OBJECT

private:
    TRecordingErrorBox FErrors;
    TRecordingHelpViewer FHelp;

    std::unique_ptr<ThenkanForm> Shown()
    {
        auto form = MakeForm(FHelp, OneTown());
        form->show();
        return QTest::qWaitForWindowExposed(form.get()) ? std::move(form) : nullptr;
    }

private slots:
    void init() { FErrors.Texts.clear(); }

    void FirstStartOpensAsDesignedAndTheNextStartWhereTheLastOneEnded()
    {
        TScratchProgram program;
        auto form = Shown();
        QVERIFY(form);
        QCOMPARE(form->frameGeometry().topLeft(), QPoint(216, 123));
        QCOMPARE(form->size(), QSize(402, 221 + form->MainMenu1->height()));
        form.reset();
        QVERIFY2(QRegularExpression(QStringLiteral("^\\[Common\\]\\nhenkanForm=200,0,1,216,123,\\d+,\\d+\\n$"))
                     .match(QString::fromLatin1(program.Ini()))
                     .hasMatch(),
                 program.Ini());

        form = Shown();
        form->move(250, 150);  // well inside the offscreen platform's 800 x 800 desktop
        form->resize(500, 350);
        const QString moved = StoredFrame(*form);
        form.reset();
        QCOMPARE(program.Ini(), "[Common]\nhenkanForm=200,0,1," + moved.toLatin1() + "\n");
        form = Shown();
        QCOMPARE(StoredFrame(*form), moved);
        QCOMPARE(FErrors.Texts, QStringList());
    }

    void ABadStoredFieldIsShownWithAFullStopAndTheWindowOpensAsDesigned()
    {
        TScratchProgram program;
        program.SetIni("[Common]\nhenkanForm=200,0,1,abc,20,300,200\n");
        auto form = Shown();
        QVERIFY(form);
        QCOMPARE(FErrors.Texts, QStringList({"'abc' は整数ではありません."}));
        QCOMPARE(form->frameGeometry().topLeft(), QPoint(216, 123));
        QCOMPARE(form->size(), QSize(402, 221 + form->MainMenu1->height()));
    }
};

QTEST_MAIN(TestWindowServices)
#include "WindowServicesTest.moc"
