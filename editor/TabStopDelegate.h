#pragma once

#include <QStyledItemDelegate>

namespace corv::editor
{

// Draws a list line with its TABs at fixed stops, given in dialog units (a
// quarter of the font's average character width), so that the second
// column of "ButtonId<TAB>description" lines lines up.
class TabStopDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    TabStopDelegate(int dialogUnits, QObject* parent);

    // The stop in pixels for a font.
    qreal TabStop(const QFont& font) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    int dialogUnits_;
};

} // namespace corv::editor
