#pragma once
#include <QMainWindow>
#include <functional>
#include <memory>

#include "Loader.h"
#include "PostalSearch.h"
#include "SearchResult.h"
#include "Tables.h"
#include "wsformA.h"

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QStatusBar;
class IHelpViewer;
class TPopupListBox;
class TSplashDuringLoad;
class TWsIniCtrl;

// Opens the postal data file for the load.
using TDataOpener = std::function<std::unique_ptr<IByteSource>()>;

// "Ken_all.csv" in the current working directory, else in the per-user data folder
// (OpenDefaultDataFile).
std::unique_ptr<IByteSource> OpenStartupData();

// The main window "郵便番号検索": the input line, the search button, the result list, the status bar,
// the list's pop-up menu and the menu bar, with the postal data tables it searches.
//
// Construction runs FormCreate, the load with the splash window. The splash window is asked for
// first, so that the window manager maps it while the controls are built and laid out and the
// window is made on the display (created, not shown) before the load. A failed load is shown in
// the error box once the splash window is gone, and the window then works on whatever was loaded. The
// window is created hidden.
//
// WsForm1 keeps the window's placement in the INI file named by mirelini (the program's name with
// ".INI", beside it) and plays the opening effect when the window is shown.
class ThenkanForm : public QMainWindow, public TWsDestroyNotify
{
public:
    explicit ThenkanForm(IHelpViewer& helpViewer, TDataOpener openData = OpenStartupData,
                         QWidget* parent = nullptr);
    ~ThenkanForm() override;

    QStatusBar* StatusBar1;
    QFrame* Panel1;
    TPopupListBox* ListBox1;
    QLineEdit* Edit1;
    QPushButton* Button1;
    QMenu* PopupMenu1;
    QAction* Copy1;
    QLabel* Label1;
    TWsForm* WsForm1;
    TWsIniCtrl* mirelini;
    QAction* A1;
    QAction* Z1;
    QMenuBar* MainMenu1;
    QAction* N1;
    QAction* Help1;
    QAction* Copy2;
    QAction* A2;
    QAction* Z2;
    QAction* P1;
    QLabel* StatusPanel0;  // panel 0 of StatusBar1, spanning the bar

    // The handlers. Sender is the control that raised the event; none of them looks at it.
    void FormCreate(QObject* Sender);
    void Button1Click(QObject* Sender);
    void Edit1DblClick(QObject* Sender);
    void Copy1Click(QObject* Sender);
    void Edit1Change(QObject* Sender);
    // `Key` is the text being typed; every "-" in it is dropped.
    void Edit1KeyPress(QObject* Sender, QString& Key);
    void A1Click(QObject* Sender);
    void Z1Click(QObject* Sender);
    void N1Click(QObject* Sender);
    void Help1Click(QObject* Sender);
    void Button2Click(QObject* Sender);

    void SearchByCode();
    void SearchByAddress();

    const TPostalTables& Tables() const { return FTables; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void Connect();
    void CreateWindowServices();
    // The only method that writes ListBox1, the status panel and the six copy items.
    void ShowResult(const TSearchResult& found);
    // The selected line in Shift-JIS; EListIndexError(-1) when no line is selected.
    std::string SelectedLine() const;
    void PutOnClipboard(std::string_view sjis);

    IHelpViewer& FHelpViewer;
    TDataOpener FOpenData;
    TPostalTables FTables;
    std::unique_ptr<TPostalSearch> FSearch;
    // The splash window, from the start of the construction until FormCreate takes it over.
    std::unique_ptr<TSplashDuringLoad> FSplash;
};

// The main window while it exists, nullptr otherwise.
extern ThenkanForm* henkanForm;
