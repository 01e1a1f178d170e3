#pragma once
#include <QImage>
#include <QProgressBar>
#include <QStyleOptionProgressBar>
#include <QWidget>
#include <memory>

class QLabel;

// The splash window's progress bar, from 0 to 48 without text.
class TSplashBar : public QProgressBar
{
public:
    explicit TSplashBar(QWidget* parent);

    // Sets the position and, when the bar is on the screen, paints it there before returning: every
    // step, however small, and no more of the bar than the step changed. A position outside 0-48 is
    // ignored.
    void SetPosition(int position);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class TSplashBarStyle;

    QRect ChangedPart(int from, int to) const;
    int FillEnd(const QStyleOptionProgressBar& option, int position) const;
    // Paints the bar as `option` gives it from the pictures, without the style: only for a step whose
    // filled end lies well inside the bar, under the default style; false otherwise, and nothing is
    // painted.
    bool PaintComposed(const QStyleOptionProgressBar& option, QPainter& painter);
    // The bar as the style paints it at `position`, over the window's background.
    QImage Rendered(const QStyleOptionProgressBar& option, int position) const;

    int FPainted = -1;  // the position last painted, -1 before the first paint
    bool FStepping = false;  // within SetPosition's repaint

    // Pictures of the whole bar empty, full and filled to the middle, over the window's background,
    // taken with the style option they were painted with: a step is put together from them.
    struct TPictures
    {
        QStyle* Style = nullptr;
        QStyleOptionProgressBar Option;
        QImage Empty, Full, Middle;
        int MiddleEnd = 0;  // the middle picture's filled end
    };
    std::unique_ptr<TPictures> FPictures;
};

// The splash window "起動中" shown while the postal data load: 331 x 147 client pixels in an
// ordinary resizable frame, the program's icon, "Harvik", "しばらくお待ちください" and a progress bar
// from 0 to 48 that counts the prefectures read.
class TSpForm : public QWidget
{
public:
    explicit TSpForm(QWidget* parent = nullptr);

    QLabel* Label1;
    TSplashBar* ProgressBar1;
    QLabel* Image1;
    QLabel* Label2;

    // Shows the window centred on the screen and returns once it is completely painted, without
    // processing any user input. Gives up waiting for the screen after two seconds.
    void ShowPainted();
    // The two halves of ShowPainted: asks for the window centred on the screen, then gives the window
    // and the labels their fonts and sizes the labels to their texts, without waiting for the screen;
    // then waits until the window is on the screen and paints it completely. The controls are shown,
    // and the labels take their texts, fonts and sizes, only here; the labels keep their designed
    // positions.
    void ShowCentred();
    void WaitPainted();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool FPaintedWhole = false;  // painted whole since ShowCentred returned
};

// The splash window while it exists, nullptr otherwise.
extern TSpForm* SpForm;

// The splash window for the duration of one load: created, recorded in SpForm and shown on
// construction; closed and destroyed on destruction, also when the load fails.
class TSplashDuringLoad
{
public:
    // Asks for the window on the screen without waiting for it: the window manager maps it while the
    // caller goes on.
    TSplashDuringLoad();
    ~TSplashDuringLoad();
    TSplashDuringLoad(const TSplashDuringLoad&) = delete;
    TSplashDuringLoad& operator=(const TSplashDuringLoad&) = delete;

    // Returns once the window is completely painted on the screen (TSpForm::WaitPainted).
    void WaitPainted();

    // Sets the progress bar to the number of prefectures read; the bar is on the screen at the new
    // position before this returns.
    void Progress(int prefectures);
};
