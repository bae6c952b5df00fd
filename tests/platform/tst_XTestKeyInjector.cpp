#include "VkTable.h"
#include "xtest/XTestKeyInjector.h"

#include "KeyRecorderWindow.h"

#include <QProcess>
#include <QTest>

using corv::VkTable;
using corv::XTestKeyInjector;

namespace
{

bool setLayout(const QString& layout)
{
    return QProcess::execute(QStringLiteral("setxkbmap"), {layout}) == 0;
}

} // namespace

class TestXTestKeyInjector : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server");
    }

    void deliversInOrder()
    {
        KeyRecorderWindow window;
        QVERIFY(window.mapped);
        QString error;
        auto injector = XTestKeyInjector::open({}, &error);
        QVERIFY2(injector, qPrintable(error));
        injector->keyDown(17);
        injector->keyDown(16);
        injector->keyDown(65);
        injector->keyUp(65);
        injector->keyUp(16);
        injector->keyUp(17);
        const QStringList expected{"Control_L down", "Shift_L down", "a down",
                                   "a up",           "Shift_L up",   "Control_L up"};
        QCOMPARE(window.waitFor(expected.size()), expected);
    }

    void releasesHeldKeysWhenDestroyed()
    {
        KeyRecorderWindow window;
        QString error;
        auto injector = XTestKeyInjector::open({}, &error);
        QVERIFY2(injector, qPrintable(error));
        injector->keyDown(18);
        injector->keyDown(112);
        injector.reset();
        const QStringList expected{"Alt_L down", "F1 down", "Alt_L up", "F1 up"};
        QCOMPARE(window.waitFor(expected.size()), expected);
    }

    void letterFollowsTheLayout_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::newRow("French AZERTY") << "fr";
        QTest::newRow("German QWERTZ") << "de";
    }
    void letterFollowsTheLayout()
    {
        QFETCH(QString, layout);
        QString error;
        auto injector = XTestKeyInjector::open({}, &error);
        QVERIFY2(injector, qPrintable(error));
        const int usA = injector->keycodeFor(65);
        const int usY = injector->keycodeFor(89);
        KeyRecorderWindow window;
        QVERIFY(setLayout(layout));
        // The map change reaches the injector as an event of its own.
        QTRY_VERIFY(injector->keycodeFor(65) != usA || injector->keycodeFor(89) != usY);
        injector->keyDown(65);
        injector->keyUp(65);
        injector->keyDown(89);
        injector->keyUp(89);
        const QStringList keys = window.waitFor(4);
        QVERIFY(setLayout(QStringLiteral("us")));
        QCOMPARE(keys, (QStringList{"a down", "a up", "y down", "y up"}));
    }

    void keyHeldAcrossLayoutChangeIsReleased()
    {
        QString error;
        auto injector = XTestKeyInjector::open({}, &error);
        QVERIFY2(injector, qPrintable(error));
        const int usA = injector->keycodeFor(65);
        KeyRecorderWindow window;
        injector->keyDown(65);
        QVERIFY(setLayout(QStringLiteral("fr")));
        QTRY_VERIFY(injector->keycodeFor(65) != usA);
        injector->keyUp(65);
        QVERIFY(setLayout(QStringLiteral("us")));
        QCOMPARE(window.waitFor(2).size(), 2);
        // The key that went down is the one that goes up, whatever the map
        // calls it by then.
        QCOMPARE(window.keycodes.at(1), window.keycodes.at(0));
    }

    // Lists the codes this server's keymap cannot type; they are no-ops.
    void gapsOfTheKeymap()
    {
        QString error;
        auto injector = XTestKeyInjector::open({}, &error);
        QVERIFY2(injector, qPrintable(error));
        QStringList missing;
        for (const auto& row : VkTable::rows()) {
            if (injector->keycodeFor(row.vk) == 0)
                missing << QString::number(row.vk);
        }
        qInfo("codes without a keycode here: %s", qPrintable(missing.join(u' ')));
        // Every letter, digit and the keys the runtime presses must be typeable.
        for (int vk :
             {8, 9, 13, 16, 17, 18, 27, 32, 37, 38, 39, 40, 48, 57, 65, 90, 96, 105, 112, 123})
            QVERIFY2(injector->keycodeFor(vk) != 0, qPrintable(QString::number(vk)));
    }
};

QTEST_GUILESS_MAIN(TestXTestKeyInjector)
#include "tst_XTestKeyInjector.moc"
