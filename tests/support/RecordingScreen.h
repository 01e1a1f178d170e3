#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "OpeningEffect.h"
#include "wsclass.h"

// Installed as the window services' screen for its lifetime: records the outlines the opening effect
// draws, in order, instead of drawing them. `OnOpen` runs when the effect takes the screen.
class TRecordingScreen : public IWsScreen
{
public:
    TRecordingScreen() : FPrevious(WsApplication.SetScreen(this)) {}
    ~TRecordingScreen() override { WsApplication.SetScreen(FPrevious); }
    TRecordingScreen(const TRecordingScreen&) = delete;
    TRecordingScreen& operator=(const TRecordingScreen&) = delete;

    std::unique_ptr<IWsScreenCanvas> OpenCanvas() override
    {
        if (OnOpen) OnOpen();
        return std::make_unique<TCanvas>(*this);
    }

    std::vector<TWsRect> Outlines;
    std::function<void()> OnOpen;

private:
    class TCanvas : public IWsScreenCanvas
    {
    public:
        explicit TCanvas(TRecordingScreen& screen) : FScreen(screen) {}
        void InvertOutline(const TWsRect& rect) override { FScreen.Outlines.push_back(rect); }

    private:
        TRecordingScreen& FScreen;
    };
    IWsScreen* FPrevious;
};
