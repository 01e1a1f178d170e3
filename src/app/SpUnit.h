#pragma once
#include <QWidget>

class QLabel;
class QProgressBar;

// The splash window "起動中" shown while the postal data load: 331 x 147 client pixels in an
// ordinary resizable frame, the program's icon, "Harvik", "しばらくお待ちください" and a progress bar
// from 0 to 48 that counts the prefectures read.
class TSpForm : public QWidget
{
public:
    explicit TSpForm(QWidget* parent = nullptr);

    QLabel* Label1;
    QProgressBar* ProgressBar1;
    QLabel* Image1;
    QLabel* Label2;

    // Shows the window centred on the screen and returns once it is completely painted, without
    // processing any user input. Gives up waiting for the screen after two seconds.
    void ShowPainted();
};

// The splash window while it exists, nullptr otherwise.
extern TSpForm* SpForm;

// The splash window for the duration of one load: created, recorded in SpForm, shown and painted
// on construction; closed and destroyed on destruction, also when the load fails.
class TSplashDuringLoad
{
public:
    TSplashDuringLoad();
    ~TSplashDuringLoad();
    TSplashDuringLoad(const TSplashDuringLoad&) = delete;
    TSplashDuringLoad& operator=(const TSplashDuringLoad&) = delete;

    // Sets the progress bar to the number of prefectures read; the bar redraws at once.
    void Progress(int prefectures);
};
