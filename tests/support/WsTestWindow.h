#pragma once
#include <QMainWindow>

#include "WsIniCtrl.h"
#include "wsformA.h"

// A main window with the window services as the program's window has them: `WsForm` linked to `Ini`
// (the program's folder), the effect `effect`. Placed at 100, 80 (frame) with a 300 x 200 client area
// before it is shown.
class TTestWindow : public QMainWindow, public TWsDestroyNotify
{
public:
    explicit TTestWindow(TWsDlgEffect effect = deNone)
    {
        move(100, 80);
        resize(300, 200);
        WsForm = new TWsForm(this);
        WsForm->IniUse = ioUseLink;
        WsForm->Effect = effect;
        Ini = new TWsIniCtrl(this);
        Ini->IniPrefix = ppProgram;
        WsForm->SetIniLink(Ini);
        WsForm->Loaded();
    }
    ~TTestWindow() override { NotifyDestroy(); }

    TWsForm* WsForm;
    TWsIniCtrl* Ini;
};
