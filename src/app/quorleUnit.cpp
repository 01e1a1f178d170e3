#include "quorleUnit.h"

#include <QAction>
#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProxyStyle>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "DataFolders.h"
#include "Errors.h"
#include "Guard.h"
#include "HelpViewer.h"
#include "PopupListBox.h"
#include "ProgramIcon.h"
#include "SearchCommand.h"
#include "SjisText.h"
#include "SpUnit.h"
#include "WindowFont.h"
#include "WindowText.h"
#include "WsIniCtrl.h"
#include "wsclass.h"

ThenkanForm* henkanForm = nullptr;

std::unique_ptr<IByteSource> OpenStartupData()
{
    return OpenDefaultDataFile();
}

namespace {

// Sizes as designed at 96 dots per inch: the client area below the menu bar is 402 x 221.
constexpr int ClientWidth = 402, ClientHeight = 221;
constexpr int PanelHeight = 57, StatusHeight = 19;

// The six bar items take about 460 pixels with the toolkit's spacing, more than the designed 402:
// the bar would hide the last ones behind an extension button. Tighter spacing keeps all six in view.
class TCompactMenuBarStyle : public QProxyStyle
{
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (metric == PM_MenuBarItemSpacing) return 2;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override
    {
        QSize fitted = QProxyStyle::sizeFromContents(type, option, size, widget);
        if (type == CT_MenuBarItem) fitted.setWidth(std::max(size.width(), fitted.width() - 6));
        return fitted;
    }
};

// Panel 0 of the status bar. Its text never sizes the bar or the window: a text wider than the panel
// is cut at the panel's right edge, and the panel's tool tip then shows it whole.
class TStatusPanel : public QLabel
{
public:
    explicit TStatusPanel(QWidget* parent) : QLabel(parent)
    {
        // The stock label asks for its text's width as its minimum, which a long status text turned
        // into the window's minimum width, widening the window.
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }

protected:
    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::ToolTip) return QLabel::event(event);
        if (fontMetrics().horizontalAdvance(text()) > contentsRect().width())
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
        else
            QToolTip::hideText();
        return true;
    }
};

template <class TWidget>
TWidget* Named(TWidget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

ThenkanForm::ThenkanForm(IHelpViewer& helpViewer, TDataOpener openData, QWidget* parent)
    : QMainWindow(parent), FHelpViewer(helpViewer), FOpenData(std::move(openData))
{
    henkanForm = this;
    FSplash = std::make_unique<TSplashDuringLoad>();
    setObjectName(QStringLiteral("henkanForm"));
    setWindowTitle(QStringLiteral("郵便番号検索"));
    setWindowIcon(ProgramIcon());
    setFont(GothicFont(12));
    BuildControls();
    BuildMenus();
    Connect();
    resize(ClientWidth, ClientHeight + MainMenu1->sizeHint().height());
    move(216, 123);
    CreateWindowServices();
    // What the first showing does before the window reaches the screen (polishing the controls,
    // laying them out, making the window on the display) is done now, while the window manager maps
    // the splash window, rather than after the load. The window services have already seen where the
    // window was moved to.
    ensurePolished();
    if (QLayout* frame = layout()) frame->activate();
    create();

    Guard(this, [this] { FormCreate(this); })();
    // Built also after a failed load: the window searches whatever was loaded.
    FSearch = std::make_unique<TPostalSearch>(FTables);
}

ThenkanForm::~ThenkanForm()
{
    NotifyDestroy();  // WsForm1 saves the placement while the window is whole
    if (henkanForm == this) henkanForm = nullptr;
}

void ThenkanForm::BuildControls()
{
    auto* client = new QWidget(this);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(client);

    Panel1 = Named(new QFrame(client), "Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    Panel1->setFixedHeight(PanelHeight);
    column->addWidget(Panel1);

    Label1 = Named(new QLabel(QStringLiteral("郵便番号 or 住所を入力してください"), Panel1), "Label1");
    Label1->setFont(GothicFont(15));
    Label1->move(16, 6);
    Label1->adjustSize();

    Edit1 = Named(new QLineEdit(Panel1), "Edit1");
    Edit1->setFont(GothicFont(15));
    Edit1->setGeometry(16, 24, 257, 23);
    Edit1->setMaxLength(std::numeric_limits<int>::max());  // the toolkit's default would cut a long paste
    Edit1->installEventFilter(this);

    Button1 = Named(new QPushButton(QStringLiteral("検索"), Panel1), "Button1");
    Button1->setGeometry(280, 23, 49, 25);
    Button1->setDefault(true);

    ListBox1 = Named(new TPopupListBox(16, client), "ListBox1");
    ListBox1->setFont(GothicFont(16));
    column->addWidget(ListBox1, 1);

    StatusBar1 = Named(new QStatusBar(this), "StatusBar1");
    StatusBar1->setFixedHeight(StatusHeight);
    StatusPanel0 = Named(new TStatusPanel(StatusBar1), "StatusPanel0");
    StatusBar1->addWidget(StatusPanel0, 1);
    setStatusBar(StatusBar1);

    setTabOrder(Edit1, Button1);
    setTabOrder(Button1, ListBox1);
    Edit1->setFocus();
}

void ThenkanForm::BuildMenus()
{
    const auto item = [this](const char* name, const QString& caption, bool enabled) {
        QAction* action = Named(new QAction(caption, this), name);
        action->setEnabled(enabled);
        return action;
    };
    PopupMenu1 = Named(new QMenu(this), "PopupMenu1");
    PopupMenu1->setFont(GothicFont(12));
    Copy1 = item("Copy1", QStringLiteral("コピー(&C)"), false);
    A1 = item("A1", QStringLiteral("住所コピー(&A)"), false);
    Z1 = item("Z1", QStringLiteral("郵便番号コピー(&Z)"), false);
    PopupMenu1->addActions({Copy1, A1, Z1});
    ListBox1->SetPopupMenu(PopupMenu1);

    // Every item sits directly on the bar: a click or Alt with its letter runs the command at once.
    MainMenu1 = Named(new QMenuBar(this), "MainMenu1");
    auto* compact = new TCompactMenuBarStyle;
    compact->setParent(MainMenu1);
    MainMenu1->setStyle(compact);
    N1 = item("N1", QStringLiteral("終了(&X)"), true);
    Copy2 = item("Copy2", QStringLiteral("コピー(&C)"), false);
    A2 = item("A2", QStringLiteral("住所コピー(&A)"), false);
    Z2 = item("Z2", QStringLiteral("郵便番号コピー(&Z)"), false);
    P1 = item("P1", QStringLiteral("貼り付け(&P)"), true);
    Help1 = item("Help1", QStringLiteral("ヘルプ(&H)"), true);
    MainMenu1->addActions({N1, Copy2, A2, Z2, P1, Help1});
    setMenuBar(MainMenu1);
}

void ThenkanForm::Connect()
{
    connect(Button1, &QPushButton::clicked, this, Guard(this, [this] { Button1Click(Button1); }));
    connect(Edit1, &QLineEdit::textChanged, this, Guard(this, [this] { Edit1Change(Edit1); }));
    // A default button alone does not take Enter from the input line or the list in a main window:
    // Return and keypad Enter without modifiers click Button1 wherever the focus is.
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        auto* enter = new QShortcut(QKeySequence(key), this);
        enter->setAutoRepeat(false);
        connect(enter, &QShortcut::activated, this, Guard(this, [this] { Button1->click(); }));
    }
    for (QAction* copy : {Copy1, Copy2})
        connect(copy, &QAction::triggered, this, Guard(this, [this, copy] { Copy1Click(copy); }));
    for (QAction* copy : {A1, A2})
        connect(copy, &QAction::triggered, this, Guard(this, [this, copy] { A1Click(copy); }));
    for (QAction* copy : {Z1, Z2})
        connect(copy, &QAction::triggered, this, Guard(this, [this, copy] { Z1Click(copy); }));
    connect(P1, &QAction::triggered, this, Guard(this, [this] { Button2Click(P1); }));
    connect(Help1, &QAction::triggered, this, Guard(this, [this] { Help1Click(Help1); }));
    connect(N1, &QAction::triggered, this, Guard(this, [this] { N1Click(N1); }));
}

void ThenkanForm::CreateWindowServices()
{
    // Failures of the window services' show and destroy handling go to the standard error box.
    WsApplication.OnException = [](QWidget* owner, std::exception_ptr failure) {
        Guard(owner, [failure] { std::rethrow_exception(failure); })();
    };
    WsForm1 = new TWsForm(this);
    WsForm1->setObjectName(QStringLiteral("WsForm1"));
    WsForm1->IniUse = ioUseLink;
    WsForm1->IniKey = "henkanForm";
    WsForm1->Effect = deExplodeExt;
    mirelini = new TWsIniCtrl(this);
    mirelini->setObjectName(QStringLiteral("mirelini"));
    mirelini->IniPrefix = ppProgram;
    mirelini->Target = itIniFile;
    WsForm1->SetIniLink(mirelini);
    WsForm1->Loaded();
    mirelini->Loaded();
}

void ThenkanForm::FormCreate(QObject*)
{
    // The construction has asked for the splash window already; a later call brings up its own.
    const std::unique_ptr<TSplashDuringLoad> splash =
        FSplash ? std::move(FSplash) : std::make_unique<TSplashDuringLoad>();
    splash->WaitPainted();
    const std::unique_ptr<IByteSource> source = FOpenData();
    LoadPostalData(*source, FTables, [&splash](int prefectures) { splash->Progress(prefectures); });
}

void ThenkanForm::Button1Click(QObject*)
{
    bool searchedByCode = false;
    // Every failure on the way to the code search, the integer test's verdict included, selects the
    // address search instead and is never reported.
    try {
        const std::string typed = ToSjis(Edit1->text());
        const std::string text = RemoveCodeHyphen(typed);
        if (text != typed) Edit1->setText(FromSjis(text));  // runs Edit1Change before it returns
        if (ChooseSearch(ToSjis(Edit1->text())) == skCode) {
            SearchByCode();
            searchedByCode = true;
        }
    } catch (const std::exception&) {
    }
    if (!searchedByCode) SearchByAddress();
}

void ThenkanForm::Edit1DblClick(QObject*)
{
    Edit1->setText(QString());
}

void ThenkanForm::Copy1Click(QObject*)
{
    PutOnClipboard(SelectedLine());
}

void ThenkanForm::Edit1Change(QObject*)
{
    // Typing never raises a message: every failure of the incremental search is swallowed.
    try {
        if (RunsIncrementalSearch(ToSjis(Edit1->text()))) SearchByCode();
    } catch (...) {
    }
}

void ThenkanForm::Edit1KeyPress(QObject*, QString& Key)
{
    Key.remove(QLatin1Char('-'));
}

void ThenkanForm::A1Click(QObject*)
{
    const std::string line = SelectedLine();
    PutOnClipboard(SjisPiece(line, 11, std::numeric_limits<long long>::max()));
}

void ThenkanForm::Z1Click(QObject*)
{
    const std::string line = SelectedLine();
    PutOnClipboard(SjisPiece(line, 1, 8));
}

void ThenkanForm::N1Click(QObject*)
{
    close();
}

void ThenkanForm::Help1Click(QObject*)
{
    FHelpViewer.ShowContents(this, ApplicationHelpFile());
}

void ThenkanForm::Button2Click(QObject*)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* held = clipboard->mimeData();
    if (!held || !held->hasText()) return;
    Edit1->setText(QString());
    Edit1->setText(clipboard->text());
    Button1Click(Button1);
}

void ThenkanForm::SearchByCode()
{
    ShowResult(FSearch->ByCode(ToSjis(Edit1->text())));
}

void ThenkanForm::SearchByAddress()
{
    // The scan can take a moment and processes no events: show 検索中です first.
    StatusPanel0->setText(FromSjis(SearchingText));
    StatusBar1->repaint();
    ShowResult(FSearch->ByAddress(ToSjis(Edit1->text())));
}

void ThenkanForm::ShowResult(const TSearchResult& found)
{
    ListBox1->SetLines(FromSjisLines(found.Lines));
    StatusPanel0->setText(FromSjis(found.Status));
    const bool any = ListBox1->count() > 0;
    if (any) ListBox1->setCurrentRow(0);
    for (QAction* item : {Copy2, A2, Z2, Copy1, A1, Z1}) item->setEnabled(any);
}

std::string ThenkanForm::SelectedLine() const
{
    const int index = ListBox1->ItemIndex();
    if (index < 0) throw EListIndexError(index);
    return ToSjis(ListBox1->item(index)->text());
}

void ThenkanForm::PutOnClipboard(std::string_view sjis)
{
    QGuiApplication::clipboard()->setText(FromSjis(sjis));
}

bool ThenkanForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != Edit1) return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        QString typed = key->text();
        if (typed.isEmpty()) break;
        Edit1KeyPress(Edit1, typed);
        if (typed == key->text()) break;
        if (!typed.isEmpty()) {
            QKeyEvent kept(key->type(), key->key(), key->modifiers(), typed, key->isAutoRepeat(),
                           static_cast<quint16>(key->count()));
            QCoreApplication::sendEvent(Edit1, &kept);
        }
        return true;
    }
    case QEvent::InputMethod: {
        // Text committed by an input method is typed text too: its hyphens are dropped as well.
        auto* input = static_cast<QInputMethodEvent*>(event);
        QString typed = input->commitString();
        Edit1KeyPress(Edit1, typed);
        if (typed != input->commitString())
            input->setCommitString(typed, input->replacementStart(), input->replacementLength());
        break;
    }
    case QEvent::MouseButtonDblClick:
        Guard(this, [this] { Edit1DblClick(Edit1); })();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
