#include <QtTest>
class tst_TUrlLabel : public QObject
{
    Q_OBJECT
};
QTEST_MAIN(tst_TUrlLabel)
#include "tst_TUrlLabel.moc"
