#pragma once
#include <QAbstractItemModel>
#include <QLabel>
#include <QListWidget>
#include <QStringList>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "MemorySource.h"
#include "PopupListBox.h"
#include "PostalFixture.h"
#include "WindowText.h"
#include "quorleUnit.h"

// One line of a hand-made data file, the texts given in UTF-8.
inline std::string Town(const char* code, const char* pref, const char* city, const char* town)
{
    TKenFields f;
    f.Code = code;
    f.Pref = ToSjis(QString::fromUtf8(pref));
    f.City = ToSjis(QString::fromUtf8(city));
    f.Town = ToSjis(QString::fromUtf8(town));
    return KenLine(f);
}

// The main window loaded from `lines` (an in-memory data file), not yet shown.
inline std::unique_ptr<ThenkanForm> MakeForm(IHelpViewer& help, const std::vector<std::string>& lines)
{
    const std::string file = KenFile(lines);
    return std::make_unique<ThenkanForm>(help, [file] { return std::make_unique<TMemorySource>(file, 4096); });
}

inline QStringList ListLines(const ThenkanForm& form)
{
    QStringList lines;
    for (int i = 0; i < form.ListBox1->count(); ++i) lines.append(form.ListBox1->item(i)->text());
    return lines;
}

inline QString StatusText(const ThenkanForm& form)
{
    return form.StatusPanel0->text();
}

// Records the searches the window runs, in order: every search empties the list once, and only the
// address search paints "検索中です" into the status panel before it scans.
class TSearchLog : public QObject
{
public:
    explicit TSearchLog(ThenkanForm& form) : FPanel(form.StatusPanel0)
    {
        connect(form.ListBox1->model(), &QAbstractItemModel::modelReset, this, [this] {
            Ran.append(FSearchingShown ? QStringLiteral("address") : QStringLiteral("code"));
            FSearchingShown = false;
        });
        FPanel->installEventFilter(this);
    }
    QStringList Ran;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == FPanel && event->type() == QEvent::Paint && FPanel->text() == QStringLiteral("検索中です"))
            FSearchingShown = true;
        return false;
    }

private:
    QLabel* FPanel;
    bool FSearchingShown = false;
};
