// The program's style: the menu bar's extension icon made only when the bar overflows, and then the
// same as the desktop style's.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QStyleFactory>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "ProgramStyle.h"

namespace {

QImage Picture(const QIcon& icon, int side)
{
    return icon.pixmap(QSize(side, side), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
}

// The desktop's style, counting how often it is asked for the extension icon.
class TCountingStyle : public QProxyStyle
{
public:
    TCountingStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("fusion"))) {}
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override
    {
        if (icon == SP_ToolBarHorizontalExtensionButton) ++Asked;
        return QProxyStyle::standardIcon(icon, option, widget);
    }

    mutable int Asked = 0;
};

}  // namespace

class TestProgramStyle : public QObject
{
    Q_OBJECT

private slots:
    void DeferredIconIsMadeOnceWhenFirstDrawnAndThenActsAsTheMadeIcon()
    {
        int made = 0;
        QIcon real = QApplication::style()->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
        QIcon deferred = DeferredIcon([&] {
            ++made;
            return real;
        });
        const QIcon copy = deferred;
        QVERIFY(!deferred.isNull());
        QCOMPARE(made, 0);

        QCOMPARE(Picture(copy, 16), Picture(real, 16));
        QCOMPARE(made, 1);
        QCOMPARE(deferred.availableSizes(), real.availableSizes());
        QCOMPARE(deferred.actualSize(QSize(64, 64)), real.actualSize(QSize(64, 64)));
        QCOMPARE(Picture(deferred, 32), Picture(real, 32));
        QCOMPARE(Picture(deferred, 12), Picture(real, 12));  // scaled down as the made icon scales
        QCOMPARE(made, 1);  // the copies share the one made icon

        QImage drawnDeferred(20, 20, QImage::Format_ARGB32), drawnReal(20, 20, QImage::Format_ARGB32);
        for (auto [image, icon] : {std::pair{&drawnDeferred, &deferred}, std::pair{&drawnReal, &real}}) {
            image->fill(Qt::transparent);
            QPainter painter(image);
            icon->paint(&painter, QRect(1, 2, 18, 17), Qt::AlignCenter, QIcon::Disabled);
        }
        QCOMPARE(drawnDeferred, drawnReal);
        QCOMPARE(made, 1);
    }

    void MenuBarAsksForItsExtensionIconOnlyWhenItOverflows()
    {
        auto* desktop = new TCountingStyle;  // owned by the application's style from here on
        QApplication::setStyle(new TProgramStyle(desktop));
        QMainWindow window;
        auto* bar = new QMenuBar(&window);
        for (const char* item : {"終了(&X)", "コピー(&C)", "住所コピー(&A)", "郵便番号コピー(&Z)", "貼り付け(&P)", "ヘルプ(&H)"})
            bar->addAction(QString::fromUtf8(item));
        window.setMenuBar(bar);
        window.resize(700, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* extension = bar->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"));
        QVERIFY(extension);
        QVERIFY(!extension->isVisible());
        QVERIFY(!extension->icon().isNull());
        QCOMPARE(desktop->Asked, 0);

        window.resize(150, 200);
        QTRY_VERIFY(extension->isVisible());
        (void)extension->grab();  // drawn as the screen draws it
        QCOMPARE(desktop->Asked, 1);
        const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("fusion")));
        const QIcon fusions = fusion->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
        QCOMPARE(Picture(extension->icon(), 16), Picture(fusions, 16));
    }
};

QTEST_MAIN(TestProgramStyle)
#include "ProgramStyleTest.moc"
