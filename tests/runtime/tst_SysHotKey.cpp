#include "platform/fake/FakeHotKeyService.h"
#include "runtime/components/TSysHotKey.h"

#include <QSignalSpy>
#include <QtTest>

using namespace corv;

class TestSysHotKey : public QObject
{
    Q_OBJECT
private slots:
    void registeredOnlyWhileActive();
    void indexOfPressedKey();
    void modifierMapping_data();
    void modifierMapping();
    void refusedKeysStaySilent();
    void keyIndexOfChar_data();
    void keyIndexOfChar();
    void keyTable();
    void destructionUnregisters();
};

void TestSysHotKey::registeredOnlyWhileActive()
{
    FakeHotKeyService service;
    TSysHotKey hk(&service);
    hk.AddHotKey(TSysHotKey::HotKey(0, 76)); // F1
    QVERIFY(service.grabs.isEmpty());
    QVERIFY(!hk.HotKeys(0).Registered);
    QVERIFY(!hk.HasWindowHandle());

    hk.SetActive(true);
    QCOMPARE(service.grabs.value(0).vk, 112);
    QVERIFY(hk.HotKeys(0).Registered);
    hk.AddHotKey(TSysHotKey::HotKey(0, 34)); // added while active: at once
    QCOMPARE(service.grabs.value(1).vk, 65);

    hk.SetActive(false);
    QVERIFY(service.grabs.isEmpty());
    QVERIFY(!hk.HotKeys(1).Registered);
    hk.SetActive(true);
    QCOMPARE(service.grabs.size(), 2);
    hk.ClearHotKeys();
    QVERIFY(service.grabs.isEmpty());
    QCOMPARE(hk.HotKeyCount(), 0);
}

void TestSysHotKey::indexOfPressedKey()
{
    FakeHotKeyService service;
    TSysHotKey hk(&service);
    QSignalSpy spy(&hk, &TSysHotKey::OnHotKey);
    hk.AddHotKey(TSysHotKey::HotKey(0, 76));
    hk.AddHotKey(TSysHotKey::HotKey(0, 77));
    hk.SetActive(true);
    service.trigger(1);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy[0][0].value<QObject*>(), &hk);
    QCOMPARE(spy[0][1].toInt(), 1);

    // Another user of the service, and keys let go: not ours.
    emit service.hotKeyPressed(7);
    hk.SetActive(false);
    emit service.hotKeyPressed(0);
    QCOMPARE(spy.size(), 1);
}

void TestSysHotKey::modifierMapping_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<unsigned>("flags");
    QTest::newRow("none") << 0 << 0u;
    QTest::newRow("shift") << int(TSysHotKey::hkShift) << 4u;
    QTest::newRow("ctrl") << int(TSysHotKey::hkCtrl) << 2u;
    QTest::newRow("alt") << int(TSysHotKey::hkAlt) << 1u;
    QTest::newRow("win") << int(TSysHotKey::hkWin) << 8u;
    QTest::newRow("shift alt") << int(TSysHotKey::hkShift | TSysHotKey::hkAlt) << 5u;
}

void TestSysHotKey::modifierMapping()
{
    QFETCH(int, modifiers);
    QFETCH(unsigned, flags);
    FakeHotKeyService service;
    TSysHotKey hk(&service);
    hk.AddHotKey(TSysHotKey::HotKey(uint8_t(modifiers), 9));
    hk.SetActive(true);
    QCOMPARE(service.grabs.value(0).modifiers, flags);
    QCOMPARE(service.grabs.value(0).vk, 32);
}

void TestSysHotKey::refusedKeysStaySilent()
{
    FakeHotKeyService service;
    TSysHotKey hk(&service);
    hk.AddHotKey(TSysHotKey::HotKey(0, 0));   // no key: never offered to the service
    hk.AddHotKey(TSysHotKey::HotKey(0, 200)); // beyond the table
    hk.AddHotKey(TSysHotKey::HotKey(0, 60));
    hk.SetActive(true);
    QCOMPARE(service.registerCalls, 1);
    QVERIFY(!hk.HotKeys(0).Registered && !hk.HotKeys(1).Registered);
    QVERIFY(hk.HotKeys(2).Registered);

    service.refuseAll = true;
    hk.AddHotKey(TSysHotKey::HotKey(0, 61));
    QVERIFY(!hk.HotKeys(3).Registered);
    hk.SetActive(false);
    QCOMPARE(service.unregisterCalls, 1); // only what was registered
}

void TestSysHotKey::keyIndexOfChar_data()
{
    QTest::addColumn<QChar>("c");
    QTest::addColumn<int>("index");
    QTest::newRow("a") << QChar('a') << 34;
    QTest::newRow("A") << QChar('A') << 34;
    QTest::newRow("z") << QChar('z') << 59;
    QTest::newRow("0") << QChar('0') << 24;
    QTest::newRow("space") << QChar(' ') << 9;
    QTest::newRow("asterisk") << QChar('*') << 0;
    QTest::newRow("a with accent") << QChar(0xE1) << 0;
    QTest::newRow("beyond a byte") << QChar(0x141) << 0;
}

void TestSysHotKey::keyIndexOfChar()
{
    QFETCH(QChar, c);
    QFETCH(int, index);
    QCOMPARE(TSysHotKey::KeyIndexOfChar(c), index);
}

void TestSysHotKey::keyTable()
{
    const auto& t = TSysHotKey::HotKeyKeyTable;
    for (size_t i = 1; i < t.size(); ++i)
        QVERIFY(t[i] > t[i - 1]);
    QCOMPARE(t[17], 40);
    QCOMPARE(t[18], 41);
    QCOMPARE(t[19], 43);
    QCOMPARE(t[60], 96);
    QCOMPARE(t[75], 111);
    QCOMPARE(t[76], 112);
    QCOMPARE(t[99], 135);
    QCOMPARE(t[101], 145);
    for (int vk : {16, 17, 18, 42, 91, 136, 146, 189, 222})
        QCOMPARE(TSysHotKey::KeyIndexOfCode(vk), 0);
}

void TestSysHotKey::destructionUnregisters()
{
    FakeHotKeyService service;
    {
        TSysHotKey hk(&service);
        hk.AddHotKey(TSysHotKey::HotKey(0, 34));
        hk.SetActive(true);
        QCOMPARE(service.grabs.size(), 1);
    }
    QVERIFY(service.grabs.isEmpty());

    // A service that goes first is not called afterwards.
    auto* early = new FakeHotKeyService;
    TSysHotKey hk(early);
    hk.AddHotKey(TSysHotKey::HotKey(0, 34));
    hk.SetActive(true);
    delete early;
    hk.SetActive(false);
    hk.SetActive(true);
    QVERIFY(!hk.HotKeys(0).Registered);
}

QTEST_GUILESS_MAIN(TestSysHotKey)
#include "tst_SysHotKey.moc"
