#pragma once
#include <QString>
#include <QStringList>
#include <functional>

#include "ErrorBox.h"

// Installed as the program's error box for its lifetime: records each text instead of showing a
// modal box, so a test never blocks. `OnShow` runs at the moment a box would show.
class TRecordingErrorBox : public IErrorBox
{
public:
    TRecordingErrorBox() : FPrevious(InstallErrorBox(this)) {}
    ~TRecordingErrorBox() override { InstallErrorBox(FPrevious); }
    TRecordingErrorBox(const TRecordingErrorBox&) = delete;
    TRecordingErrorBox& operator=(const TRecordingErrorBox&) = delete;

    void Show(QWidget*, const QString& text) override
    {
        Texts.append(text);
        if (OnShow) OnShow();
    }

    QStringList Texts;
    std::function<void()> OnShow;

private:
    IErrorBox* FPrevious;
};
