#include <QtTest>
class tst_TColorGrid : public QObject
{
    Q_OBJECT
};
QTEST_MAIN(tst_TColorGrid)
#include "tst_TColorGrid.moc"
