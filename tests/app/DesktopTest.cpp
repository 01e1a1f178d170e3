// The window as the desktop starts it: in a folder of the launcher's choosing, with its own icon.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "FormFixture.h"
#include "ProgramIcon.h"
#include "RecordingErrorBox.h"
#include "RecordingHelpViewer.h"
#include "ScopedEnv.h"

namespace {

bool WriteData(const QString& path, const std::vector<std::string>& lines)
{
    QFile file(path);
    const std::string bytes = KenFile(lines);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

// Runs `body` with the working folder `folder`, then goes back.
template <class F> void InFolder(const QString& folder, F body)
{
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder));
    body();
    QDir::setCurrent(before);
}

}  // namespace

class TestDesktop : public QObject
{
    Q_OBJECT

private:
    TRecordingErrorBox FErrors;
    TRecordingHelpViewer FHelp;

private slots:
    void init() { FErrors.Texts.clear(); }

    void StartedWithoutDataInItsFolderTheWindowReadsTheUserDataFolder()
    {
        QTemporaryDir root;
        const TScopedEnv dataHome("XDG_DATA_HOME", root.filePath(QStringLiteral("share")).toStdString());
        QVERIFY(WriteData(root.filePath(QStringLiteral("share/harvik/Ken_all.csv")),
                          {Town("1000005", "東京都", "千代田区", "丸の内")}));
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("launcher")));

        InFolder(root.filePath(QStringLiteral("launcher")), [&] {
            auto form = std::make_unique<ThenkanForm>(FHelp);
            QCOMPARE(FErrors.Texts, QStringList());
            form->show();
            QVERIFY(QTest::qWaitForWindowExposed(form.get()));
            QTest::keyClicks(form->Edit1, "100");
            QCOMPARE(ListLines(*form), QStringList({"100-0005  東京都千代田区丸の内"}));
        });

        // The working folder's own file still comes first.
        QVERIFY(WriteData(root.filePath(QStringLiteral("launcher/KEN_ALL.CSV")),
                          {Town("6048001", "京都府", "京都市中京区", "御池通")}));
        InFolder(root.filePath(QStringLiteral("launcher")), [&] {
            ThenkanForm form(FHelp);
            QCOMPARE(form.Tables().Towns[0].Code, std::string_view("6048001"));
        });
    }

    void HicolorIconsAreTheProgramsOwnPictureAtEachSize()
    {
        const QString icons = QStringLiteral(HARVIK_SOURCE_DIR "/dist/icons/");
        QImage own = ProgramIconPixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        QImage small(icons + QStringLiteral("harvik-32.png"));
        QCOMPARE(small.convertToFormat(QImage::Format_ARGB32), own);
        for (int size : {48, 128})
            QCOMPARE(QImage(icons + QStringLiteral("harvik-%1.png").arg(size)).size(), QSize(size, size));
    }
};

QTEST_MAIN(TestDesktop)
#include "DesktopTest.moc"
