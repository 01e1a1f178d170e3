#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QToolTip>
#include <functional>

#include "FormFixture.h"
#include "RecordingErrorBox.h"
#include "RecordingHelpViewer.h"
#include "ToolkitTranslation.h"
#include "ScratchProgram.h"

namespace {

// Four Tokyo towns under "100", three Sapporo towns under "060", and two Kyoto towns sharing one code
// (the second gives a continuation line after the first) followed by a third.
std::vector<std::string> Towns()
{
    return {
        Town("1000001", "東京都", "千代田区", "千代田"),
        Town("1000002", "東京都", "千代田区", "皇居外苑"),
        Town("1000003", "東京都", "千代田区", "一ツ橋"),
        Town("1000004", "東京都", "千代田区", "大手町"),
        Town("0600000", "北海道", "札幌市中央区", "以下に掲載がない場合"),
        Town("0600001", "北海道", "札幌市中央区", "北一条西"),
        Town("0600042", "北海道", "札幌市中央区", "大通西"),
        Town("6048001", "京都府", "京都市中京区", "御池通"),
        Town("6048001", "京都府", "京都市中京区", "姉小路通"),
        Town("6048002", "京都府", "京都市中京区", "三条通"),
    };
}

const QString Tokyo1 = QStringLiteral("100-0001  東京都千代田区千代田");
const QString Oike = QStringLiteral("604-8001  京都府京都市中京区御池通");
const QString Aneyakoji = QStringLiteral("              姉小路通");

enum TAction { acType, acCommand, acPaste, acDoubleClick };

}  // namespace

Q_DECLARE_METATYPE(TAction)

class TestHenkanForm : public QObject
{
    Q_OBJECT

private:
    TRecordingErrorBox FErrors;
    TRecordingHelpViewer FHelp;
    TScratchProgram FProgram;  // the window keeps its INI file in a folder of this test's own
    std::unique_ptr<ThenkanForm> FForm;
    std::unique_ptr<TSearchLog> FLog;

    void Open(const std::vector<std::string>& lines)
    {
        FForm = MakeForm(FHelp, lines);
        FLog = std::make_unique<TSearchLog>(*FForm);
        FForm->show();
        QVERIFY(QTest::qWaitForWindowActive(FForm.get()));
    }
    QString Clipboard() const { return QGuiApplication::clipboard()->text(); }
    QList<QAction*> CopyItems() const
    {
        return {FForm->Copy1, FForm->A1, FForm->Z1, FForm->Copy2, FForm->A2, FForm->Z2};
    }

private slots:
    void initTestCase() { QVERIFY(InstallToolkitTranslation()); }  // as the program does at start-up
    void init()
    {
        FErrors.Texts.clear();
        Open(Towns());
    }
    void cleanup()
    {
        FLog.reset();
        FForm.reset();
    }

    void WindowIsLaidOutAsDesigned()
    {
        QCOMPARE(FForm->windowTitle(), QStringLiteral("郵便番号検索"));
        QCOMPARE(FForm->Edit1->geometry(), QRect(16, 24, 257, 23));
        QCOMPARE(FForm->Button1->geometry(), QRect(280, 23, 49, 25));
        QCOMPARE(FForm->Panel1->height(), 57);
        QCOMPARE(FForm->ListBox1->size(), QSize(402, 145));
        QCOMPARE(FForm->StatusBar1->height(), 19);
        QCOMPARE(FForm->StatusPanel0->width() > 300, true);  // the one panel spans the bar
        QCOMPARE(FForm->focusWidget(), FForm->Edit1);
        // The requested Windows face is missing here: an installed Japanese Gothic stands in for it.
        QCOMPARE(QFontInfo(FForm->ListBox1->font()).family(), QStringLiteral("IPAPGothic"));
        QCOMPARE(QFontInfo(FForm->ListBox1->font()).pixelSize(), 16);
        QStringList bar;
        for (QAction* item : FForm->MainMenu1->actions()) bar.append(item->objectName() + " " + item->text());
        QCOMPARE(bar, QStringList({"N1 終了(&X)", "Copy2 コピー(&C)", "A2 住所コピー(&A)", "Z2 郵便番号コピー(&Z)",
                                   "P1 貼り付け(&P)", "Help1 ヘルプ(&H)"}));
        QStringList popup;
        for (QAction* item : FForm->PopupMenu1->actions()) popup.append(item->objectName() + " " + item->text());
        QCOMPARE(popup, QStringList({"Copy1 コピー(&C)", "A1 住所コピー(&A)", "Z1 郵便番号コピー(&Z)"}));
        for (QAction* item : FForm->MainMenu1->actions()) {
            QVERIFY(!item->menu());
            QVERIFY2(FForm->MainMenu1->actionGeometry(item).right() < FForm->MainMenu1->width(),
                     qPrintable(item->objectName() + " is not in view"));
        }
    }

    void EachActionRunsTheSearchesOfItsRow_data()
    {
        QTest::addColumn<TAction>("action");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("ran");
        QTest::addColumn<QString>("lineAfter");
        const QStringList none, code{"code"}, twice{"code", "code"}, address{"address"};
        QTest::newRow("typing 12") << acType << "12" << code << "12";
        QTest::newRow("typing 123") << acType << "123" << twice << "123";
        QTest::newRow("typing 1") << acType << "1" << none << "1";
        QTest::newRow("typing a non-integer") << acType << "1a2" << none << "1a2";
        QTest::newRow("command on 1234567") << acCommand << "1234567" << code << "1234567";
        QTest::newRow("command on 123-4567") << acCommand << "123-4567" << twice << "1234567";
        QTest::newRow("command on 5") << acCommand << "5" << code << "5";
        QTest::newRow("command on an address") << acCommand << "御池" << address << "御池";
        QTest::newRow("command on the empty line") << acCommand << "" << address << "";
        QTest::newRow("command on 12-34567") << acCommand << "12-34567" << address << "12-34567";
        QTest::newRow("command on 123-45-67") << acCommand << "123-45-67" << address << "12345-67";
        QTest::newRow("command after a blank") << acCommand << " 1234567" << code << " 1234567";
        QTest::newRow("command on +1234567") << acCommand << "+1234567" << code << "+1234567";
        QTest::newRow("command on -1234567") << acCommand << "-1234567" << code << "-1234567";
        QTest::newRow("command on $1F") << acCommand << "$1F" << code << "$1F";
        QTest::newRow("command on 2147483647") << acCommand << "2147483647" << code << "2147483647";
        QTest::newRow("command on 2147483648") << acCommand << "2147483648" << address << "2147483648";
        QTest::newRow("command with a full-width hyphen") << acCommand << "123－4567" << address << "123－4567";
        QTest::newRow("paste 1234567") << acPaste << "1234567" << twice << "1234567";
        QTest::newRow("paste 123-4567") << acPaste << "123-4567" << twice << "1234567";
        QTest::newRow("paste 5") << acPaste << "5" << code << "5";
        QTest::newRow("paste an address") << acPaste << "御池" << address << "御池";
        QTest::newRow("double-click") << acDoubleClick << "御池" << none << "";
        QTest::newRow("double-click on the empty line") << acDoubleClick << "" << none << "";
    }
    void EachActionRunsTheSearchesOfItsRow()
    {
        QFETCH(TAction, action);
        QFETCH(QString, text);
        QFETCH(QStringList, ran);
        QFETCH(QString, lineAfter);
        int changes = 0;
        switch (action) {
        case acType: QTest::keyClicks(FForm->Edit1, text); break;
        case acCommand:
            FForm->Edit1->setText(text);
            FLog->Ran.clear();
            QTest::mouseClick(FForm->Button1, Qt::LeftButton);
            break;
        case acPaste:
            QGuiApplication::clipboard()->setText(text);
            FForm->P1->trigger();
            break;
        case acDoubleClick:
            FForm->Edit1->setText(text);
            FLog->Ran.clear();
            connect(FForm->Edit1, &QLineEdit::textChanged, this, [&changes] { ++changes; });
            QTest::mouseDClick(FForm->Edit1, Qt::LeftButton);
            QCOMPARE(changes, text.isEmpty() ? 0 : 1);
            break;
        }
        QCOMPARE(FLog->Ran, ran);
        QCOMPARE(FForm->Edit1->text(), lineAfter);
        QCOMPARE(FErrors.Texts, QStringList());
    }

    void SearchesListTheirLinesAndCount()
    {
        QTest::keyClicks(FForm->Edit1, "10");
        QCOMPARE(ListLines(*FForm).size(), 4);
        QCOMPARE(ListLines(*FForm).front(), Tokyo1);
        QCOMPARE(StatusText(*FForm), QStringLiteral("4件"));
        QCOMPARE(FForm->ListBox1->currentRow(), 0);

        FForm->Edit1->setText(QStringLiteral("御池"));
        QTest::keyClick(FForm->Edit1, Qt::Key_Return);
        QCOMPARE(ListLines(*FForm), QStringList({Oike, Aneyakoji}));
        QCOMPARE(StatusText(*FForm), QStringLiteral("2件"));
    }

    void ListScrollsSidewaysToTheEndOfItsWidestLine()
    {
        Open({Town("1000001", "東京都", "千代田区", "千代田"),
              Town("1000002", "東京都", "千代田区", "大手町ＪＡビル（地階・階層不明）大手町ＪＡビル（地階・階層不明）"),
              Town("1000003", "東京都", "千代田区", "一ツ橋")});
        QTest::keyClicks(FForm->Edit1, "10");
        const QListWidgetItem* widest = FForm->ListBox1->item(1);
        QListWidget stock;  // the width the toolkit's own list gives the line to show it whole
        stock.setFont(FForm->ListBox1->font());
        stock.addItem(widest->text());
        const int needed = stock.sizeHintForColumn(0);
        QVERIFY(FForm->ListBox1->horizontalScrollBar()->maximum() > 0);
        QCOMPARE_GE(FForm->ListBox1->visualItemRect(widest).width(), needed);
    }

    void DeletingBackToOneDigitKeepsTheListOfTwo()
    {
        QTest::keyClicks(FForm->Edit1, "06");
        QTest::keyClick(FForm->Edit1, Qt::Key_Backspace);
        QCOMPARE(FForm->Edit1->text(), QStringLiteral("0"));
        QCOMPARE(FLog->Ran, QStringList({"code"}));
        QCOMPARE(ListLines(*FForm).size(), 3);
        QCOMPARE(StatusText(*FForm), QStringLiteral("3件"));
    }

    void TypedHyphensAreDroppedAndPastedOnesKept()
    {
        QTest::keyClicks(FForm->Edit1, "123-4");
        QTest::keyClick(FForm->Edit1, Qt::Key_Minus, Qt::KeypadModifier);
        QTest::keyClick(FForm->Edit1, Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(FForm->Edit1->text(), QStringLiteral("1234"));
        QTest::sendKeyEvent(QTest::Click, FForm->Edit1, Qt::Key_unknown, QStringLiteral("－"), Qt::NoModifier);
        QCOMPARE(FForm->Edit1->text(), QStringLiteral("1234－"));

        FForm->Edit1->clear();
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("12-34"));
        QCoreApplication::sendEvent(FForm->Edit1, &commit);
        QCOMPARE(FForm->Edit1->text(), QStringLiteral("1234"));

        FForm->Edit1->clear();
        FLog->Ran.clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("123-4567"));
        FForm->Edit1->paste();
        QCOMPARE(FForm->Edit1->text(), QStringLiteral("123-4567"));
        QCOMPARE(FLog->Ran, QStringList());
        QTest::keyClick(FForm->Edit1, Qt::Key_Return);
        QCOMPARE(FForm->Edit1->text(), QStringLiteral("1234567"));
        QCOMPARE(FLog->Ran, QStringList({"code", "code"}));
    }

    void CopyCommandsCutResultLinesAtTheirBytePositions()
    {
        QTest::keyClicks(FForm->Edit1, "10");
        for (auto [whole, address, code] : {std::tuple{FForm->Copy1, FForm->A1, FForm->Z1},
                                            std::tuple{FForm->Copy2, FForm->A2, FForm->Z2}}) {
            whole->trigger();
            QCOMPARE(Clipboard(), Tokyo1);
            address->trigger();
            QCOMPARE(Clipboard(), QStringLiteral("東京都千代田区千代田"));
            code->trigger();
            QCOMPARE(Clipboard(), QStringLiteral("100-0001"));
        }
        FForm->Edit1->setText(QStringLiteral("御池"));
        FForm->Button1->click();
        FForm->ListBox1->setCurrentRow(1);
        FForm->Copy1->trigger();
        QCOMPARE(Clipboard(), Aneyakoji);
        FForm->A1->trigger();
        QCOMPARE(Clipboard(), QStringLiteral("    姉小路通"));
        FForm->Z1->trigger();
        QCOMPARE(Clipboard(), QStringLiteral("        "));
        QCOMPARE(FErrors.Texts, QStringList());
    }

    void CopyCommandsOnShortLines()
    {
        // No prefecture or city names: the lines are the code, its hyphen, two blanks and the town.
        Open({Town("12", "", "", "町"), Town("1234", "", "", ""), Town("1234567", "", "", "")});
        QTest::keyClicks(FForm->Edit1, "12");
        QCOMPARE(ListLines(*FForm), QStringList({"12-  町", "123-4  ", "123-4567  "}));
        const QStringList codes{"12-  町", "123-4  ", "123-4567"};
        for (int row = 0; row < 3; ++row) {
            FForm->ListBox1->setCurrentRow(row);
            FForm->Z1->trigger();
            QCOMPARE(Clipboard(), codes[row]);
            QGuiApplication::clipboard()->setText(QStringLiteral("before"));
            FForm->A1->trigger();
            QCOMPARE(Clipboard(), QString());
            QVERIFY(QGuiApplication::clipboard()->mimeData()->hasText());
        }
    }

    void CopyWithNoSelectedLineReportsTheIndexAndKeepsTheClipboard()
    {
        QTest::keyClicks(FForm->Edit1, "10");
        FForm->ListBox1->clearSelection();
        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        for (QAction* item : CopyItems()) item->trigger();
        QCOMPARE(Clipboard(), QStringLiteral("kept"));
        QCOMPARE(FErrors.Texts, QStringList(6, QStringLiteral("リストのインデックスが範囲を超えています (-1)")));
    }

    void PasteWithNoTextDoesNothing()
    {
        FForm->Edit1->setText(QStringLiteral("御池"));
        QGuiApplication::clipboard()->clear();
        FForm->P1->trigger();
        QCOMPARE(FForm->Edit1->text(), QStringLiteral("御池"));
        QCOMPARE(FLog->Ran, QStringList());
    }

    void PasteSearchesTheTextWithItsBlanks()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral(" 御池 "));
        FForm->P1->trigger();
        QCOMPARE(FForm->Edit1->text(), QStringLiteral(" 御池 "));
        QCOMPARE(FLog->Ran, QStringList({"address"}));
        QCOMPARE(ListLines(*FForm), QStringList());  // without its blanks the text lists two lines

        const QString longText(40000, QLatin1Char('7'));
        QGuiApplication::clipboard()->setText(longText);
        FForm->P1->trigger();
        QCOMPARE(FForm->Edit1->text(), longText);
    }

    void EnterSearchesTheInputLineFromTheList()
    {
        QTest::keyClicks(FForm->Edit1, "10");
        FForm->Edit1->setText(QStringLiteral("御池"));
        FForm->ListBox1->setFocus();
        FForm->ListBox1->setCurrentRow(2);
        FLog->Ran.clear();
        QTest::keyClick(FForm->ListBox1, Qt::Key_Return);
        QCOMPARE(FLog->Ran, QStringList({"address"}));
        QCOMPARE(ListLines(*FForm), QStringList({Oike, Aneyakoji}));
        QTest::keyClick(FForm->ListBox1, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(FLog->Ran.size(), 2);
        QTest::keyClick(FForm->ListBox1, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClick(FForm->Edit1, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(FLog->Ran.size(), 2);
    }

    void RightClickOpensThePopupAndKeepsTheSelection()
    {
        QTest::keyClicks(FForm->Edit1, "10");
        QWidget* viewport = FForm->ListBox1->viewport();
        const QPoint third = FForm->ListBox1->visualItemRect(FForm->ListBox1->item(2)).center();
        QTest::mouseClick(viewport, Qt::RightButton, Qt::NoModifier, third);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, third, viewport->mapToGlobal(third));
        QCoreApplication::sendEvent(viewport, &menu);
        QVERIFY(FForm->PopupMenu1->isVisible());
        FForm->PopupMenu1->close();
        QCOMPARE(FForm->ListBox1->currentRow(), 0);
        QCOMPARE(FForm->ListBox1->ItemIndex(), 0);
        FForm->Z1->trigger();
        QCOMPARE(Clipboard(), QStringLiteral("100-0001"));

        QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, third);
        QCOMPARE(FForm->ListBox1->ItemIndex(), 2);
    }

    // Regression: a click below the last line, Ctrl+click on the selected line and Ctrl+Space each
    // left the list with no selected line, and every copy command then failed with "(-1)".
    void NoMouseOrKeyActionLeavesTheListWithoutASelectedLine()
    {
        QTest::keyClicks(FForm->Edit1, "10");
        TPopupListBox* list = FForm->ListBox1;
        QWidget* viewport = list->viewport();
        const QPoint first = list->visualItemRect(list->item(0)).center();
        const QPoint third = list->visualItemRect(list->item(2)).center();
        const QPoint below(first.x(), list->visualItemRect(list->item(3)).bottom() + 30);
        QVERIFY(!list->indexAt(below).isValid() && viewport->rect().contains(below));
        list->setFocus();

        const std::vector<std::pair<const char*, std::function<void()>>> actions = {
            {"click below the last line", [&] { QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, below); }},
            {"Ctrl+click on the selected line",
             [&] { QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, first); }},
            {"Ctrl+Space", [&] { QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier); }},
            {"drag from the line to below the last",
             [&] {
                 QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, first);
                 QTest::mouseMove(viewport, below);
                 QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, below);
             }},
        };
        for (const auto& [name, act] : actions) {
            act();
            QVERIFY2(list->ItemIndex() == 0, name);
            QGuiApplication::clipboard()->setText(QStringLiteral("before"));
            FForm->Z2->trigger();
            QVERIFY2(Clipboard() == QStringLiteral("100-0001"), name);
        }
        QCOMPARE(FErrors.Texts, QStringList());

        // The user still moves the one selected line.
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, third);
        QCOMPARE(list->ItemIndex(), 2);
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->ItemIndex(), 3);
        QTest::keyClick(list, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(list->ItemIndex(), 0);
        QCOMPARE(list->selectedItems().size(), 1);
    }

    // Regression: a long status text grew the window from 402 to about 600 pixels and held its
    // minimum width there until a shorter status came.
    void LongStatusTextIsCutAtThePanelAndNeverWidensTheWindow()
    {
        const char* town = "茂田井（１～５００「２１１番地を除く」「古町」、２５２７～２５２９「土遠」）";
        Open({Town("3842304", "長野県", "北佐久郡立科町", town), Town("3842211", "長野県", "北佐久郡立科町", "茂田井（その他）")});
        QLabel* panel = FForm->StatusPanel0;
        const auto hover = [panel] {
            QHelpEvent help(QEvent::ToolTip, QPoint(4, 4), panel->mapToGlobal(QPoint(4, 4)));
            QCoreApplication::sendEvent(panel, &help);
        };
        const QSize size = FForm->size();
        const QSize minimum = FForm->minimumSize();
        QCOMPARE(size.width(), 402);

        QTest::keyClicks(FForm->Edit1, "38");
        QCOMPARE(StatusText(*FForm), QStringLiteral("2件"));
        hover();
        QVERIFY(!QToolTip::isVisible());  // a text that shows whole needs no tip

        const QString shortened = QStringLiteral("長野県北佐久郡立科町") + QString::fromUtf8(town);
        QGuiApplication::clipboard()->setText(shortened + QStringLiteral("★"));
        FForm->P1->trigger();
        const QString status = QStringLiteral("1件  ") + shortened + QStringLiteral("で検索を行いました");
        QCOMPARE(StatusText(*FForm), status);
        QCOMPARE_GT(panel->fontMetrics().horizontalAdvance(status), 402);
        for (int pass = 0; pass < 4; ++pass)  // the layouts pass a size change upwards one level at a time
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCOMPARE(FForm->size(), size);
        QCOMPARE(FForm->minimumSize(), minimum);
        hover();
        QCOMPARE(QToolTip::text(), status);

        FForm->resize(300, size.height());  // the user can still make it narrower
        QCOMPARE(FForm->width(), 300);
    }

    // Regression: the input line's own menu read Undo, Cut, Copy, Paste, Delete, Select All.
    void InputLineMenuIsInJapanese()
    {
        const auto captions = [](const QMenu& menu) {
            QStringList items;  // without the shortcut after the tab
            for (const QAction* item : menu.actions())
                if (!item->isSeparator()) items.append(item->text().section(QLatin1Char('\t'), 0, 0));
            return items;
        };
        FForm->Edit1->setText(QStringLiteral("御池"));
        const QPoint at(8, 8);
        QContextMenuEvent open(QContextMenuEvent::Mouse, at, FForm->Edit1->mapToGlobal(at));
        QCoreApplication::sendEvent(FForm->Edit1, &open);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        const QStringList items = captions(*menu);
        menu->close();
        QCOMPARE(items, QStringList({"元に戻す(&U)", "やり直す(&R)", "切り取り(&T)", "コピー(&C)", "貼り付け(&P)", "削除",
                                     "すべてを選択"}));

        THelpWindow help(FForm.get());  // the help window's text menu speaks Japanese too
        help.Open(QStringLiteral(HARVIK_HELP_FILE));
        const std::unique_ptr<QMenu> textMenu(help.Browser()->createStandardContextMenu());
        QCOMPARE(captions(*textMenu), QStringList({"コピー(&C)", "リンクの場所をコピー(&L)", "すべてを選択"}));
    }

    void CopyItemsAreEnabledExactlyWhileTheListHasLines()
    {
        for (QAction* item : CopyItems()) QVERIFY(!item->isEnabled());
        for (QAction* item : {FForm->N1, FForm->P1, FForm->Help1}) QVERIFY(item->isEnabled());
        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        QTest::keyClick(FForm.get(), Qt::Key_Z, Qt::AltModifier);
        QCOMPARE(Clipboard(), QStringLiteral("kept"));

        QTest::keyClicks(FForm->Edit1, "10");
        for (QAction* item : CopyItems()) QVERIFY(item->isEnabled());
        QTest::keyClick(FForm.get(), Qt::Key_Z, Qt::AltModifier);
        QCOMPARE(Clipboard(), QStringLiteral("100-0001"));

        QTest::keyClick(FForm->Edit1, Qt::Key_9);
        QCOMPARE(StatusText(*FForm), QStringLiteral("0件"));
        for (QAction* item : CopyItems()) QVERIFY(!item->isEnabled());
        QCOMPARE(FErrors.Texts, QStringList());
    }

    void HelpAndExitCommands()
    {
        SetApplicationHelpFile(QStringLiteral("/opt/harvik/MIRELHELP.hlp"));
        QTest::keyClick(FForm.get(), Qt::Key_H, Qt::AltModifier);
        QCOMPARE(FHelp.Requested, QStringList({"/opt/harvik/MIRELHELP.hlp"}));
        FForm->N1->trigger();
        QVERIFY(!FForm->isVisible());
    }
};

QTEST_MAIN(TestHenkanForm)
#include "HenkanFormTest.moc"
