#pragma once
#include <QStringList>

#include "HelpViewer.h"

// Records the help files asked for instead of opening a window.
class TRecordingHelpViewer : public IHelpViewer
{
public:
    void ShowContents(QWidget*, const QString& path) override { Requested.append(path); }
    QStringList Requested;
};
