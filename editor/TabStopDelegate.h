#pragma once

#include <QFont>
#include <QPointer>
#include <QStyledItemDelegate>

namespace corv::editor
{

// Draws a list line with its TABs at fixed stops, given in dialog units (a
// quarter of the font's average character width), so that the second
// column of "ButtonId<TAB>description" lines lines up. With fitFirstColumn
// the stop is the first multiple of that which clears every line's first
// column, so a gamepad's longer input names ("AXIS1_POS") do not push
// their own line's second column alone to the next stop.
class TabStopDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    TabStopDelegate(int dialogUnits, QObject* parent, bool fitFirstColumn = false);

    // The stop in pixels for a font.
    qreal TabStop(const QFont& font) const;
    // The stop used for the lines of model; kept until they change, since
    // every line's paint asks for it.
    qreal TabStop(const QFont& font, const QAbstractItemModel* model) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    int dialogUnits_;
    bool fitFirstColumn_;
    mutable QPointer<const QAbstractItemModel> watched_;
    mutable bool fitted_ = false; // fittedStop_ holds for watched_'s lines
    mutable QFont fittedFont_;
    mutable qreal fittedStop_ = 0;
};

} // namespace corv::editor
