#pragma once

#include <QColor>
#include <QWidget>

namespace corv
{

// Grid of the 16 basic colours; the left button picks the foreground, any
// other button (or the B key) the background. The chosen cells carry the
// marks "FG", "BG", or "FB" when one cell is both.
class TColorGrid : public QWidget
{
    Q_OBJECT
public:
    enum TGridOrdering { go16x1, go8x2, go4x4, go2x8, go1x16 };
    Q_ENUM(TGridOrdering)

    Q_PROPERTY(TGridOrdering GridOrdering READ GridOrdering WRITE setGridOrdering)
    Q_PROPERTY(int ForegroundIndex READ ForegroundIndex WRITE setForegroundIndex)
    Q_PROPERTY(int BackgroundIndex READ BackgroundIndex WRITE setBackgroundIndex)
    Q_PROPERTY(bool ForegroundEnabled READ ForegroundEnabled WRITE setForegroundEnabled)
    Q_PROPERTY(bool BackgroundEnabled READ BackgroundEnabled WRITE setBackgroundEnabled)
    Q_PROPERTY(bool ClickEnablesColor READ ClickEnablesColor WRITE setClickEnablesColor)
    Q_PROPERTY(int Selection READ Selection WRITE setSelection)
    Q_PROPERTY(bool Ctl3D READ Ctl3D WRITE setCtl3D)
    Q_PROPERTY(bool TabStop READ TabStop WRITE setTabStop)
    Q_PROPERTY(QColor ForegroundColor READ ForegroundColor)
    Q_PROPERTY(QColor BackgroundColor READ BackgroundColor)

    explicit TColorGrid(QWidget* parent = nullptr);

    static QColor PaletteColor(int index);

    TGridOrdering GridOrdering() const { return ordering_; }
    void setGridOrdering(TGridOrdering v);
    int ForegroundIndex() const { return fgIndex_; }
    void setForegroundIndex(int v);
    int BackgroundIndex() const { return bgIndex_; }
    void setBackgroundIndex(int v);
    bool ForegroundEnabled() const { return fgEnabled_; }
    void setForegroundEnabled(bool v);
    bool BackgroundEnabled() const { return bgEnabled_; }
    void setBackgroundEnabled(bool v);
    bool ClickEnablesColor() const { return clickEnables_; }
    void setClickEnablesColor(bool v) { clickEnables_ = v; }
    int Selection() const { return selection_; }
    void setSelection(int v);
    bool Ctl3D() const { return ctl3D_; }
    void setCtl3D(bool v);
    bool TabStop() const;
    void setTabStop(bool v);
    QColor ForegroundColor() const { return PaletteColor(fgIndex_); }
    QColor BackgroundColor() const { return PaletteColor(bgIndex_); }

    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    QRect CellRect(int index) const;

signals:
    void OnChange(TColorGrid* sender);
    void OnClick(TColorGrid* sender);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    int cellAt(QPoint p) const;
    void chooseForeground(int k);
    void chooseBackground(int k);
    void drawCell(QPainter& p, int index, bool selected) const;
    void drawMark(QPainter& p, int index, const QString& mark) const;

    TGridOrdering ordering_ = go4x4;
    int columns_ = 4, rows_ = 4;
    int fgIndex_ = 0, bgIndex_ = 0;
    bool fgEnabled_ = true, bgEnabled_ = true;
    bool clickEnables_ = false;
    int selection_ = 0;
    bool ctl3D_ = true;
    bool focused_ = false;
    bool tracking_ = false;
    Qt::MouseButton trackButton_ = Qt::NoButton;
};

} // namespace corv
