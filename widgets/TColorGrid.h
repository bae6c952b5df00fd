#pragma once

#include <QColor>
#include <QWidget>

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

    TGridOrdering GridOrdering() const { return m_ordering; }
    void setGridOrdering(TGridOrdering v);
    int ForegroundIndex() const { return m_fgIndex; }
    void setForegroundIndex(int v);
    int BackgroundIndex() const { return m_bgIndex; }
    void setBackgroundIndex(int v);
    bool ForegroundEnabled() const { return m_fgEnabled; }
    void setForegroundEnabled(bool v);
    bool BackgroundEnabled() const { return m_bgEnabled; }
    void setBackgroundEnabled(bool v);
    bool ClickEnablesColor() const { return m_clickEnables; }
    void setClickEnablesColor(bool v) { m_clickEnables = v; }
    int Selection() const { return m_selection; }
    void setSelection(int v);
    bool Ctl3D() const { return m_ctl3D; }
    void setCtl3D(bool v);
    bool TabStop() const;
    void setTabStop(bool v);
    QColor ForegroundColor() const { return PaletteColor(m_fgIndex); }
    QColor BackgroundColor() const { return PaletteColor(m_bgIndex); }

    int Columns() const { return m_columns; }
    int Rows() const { return m_rows; }
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

    TGridOrdering m_ordering = go4x4;
    int m_columns = 4, m_rows = 4;
    int m_fgIndex = 0, m_bgIndex = 0;
    bool m_fgEnabled = true, m_bgEnabled = true;
    bool m_clickEnables = false;
    int m_selection = 0;
    bool m_ctl3D = true;
    bool m_focused = false;
    bool m_tracking = false;
    Qt::MouseButton m_trackButton = Qt::NoButton;
};
