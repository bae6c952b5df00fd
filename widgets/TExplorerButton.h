#pragma once

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <QMenu>

namespace corv
{

// Flat toolbar button: shows its image and caption on the parent's
// background and draws a bevel only while pointed at, pressed or down.
// The top-left pixel of each image is its transparent colour.
class TExplorerButton : public QWidget
{
    Q_OBJECT
public:
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)
    enum TBevelStyle { bsLowered, bsRaised };
    Q_ENUM(TBevelStyle)
    enum TExplorerButtonLayout { blBitmapTop, blBitmapBottom, blBitmapLeft, blBitmapRight };
    Q_ENUM(TExplorerButtonLayout)
    enum TExplorerButtonOption { boMonoDisplay = 0x1, boIconOnly = 0x2, boPopupMark = 0x4 };
    Q_DECLARE_FLAGS(TExplorerButtonOptions, TExplorerButtonOption)
    Q_FLAG(TExplorerButtonOptions)
    enum TExplorerButtonShadingType { stLight, stMedium, stDark };
    Q_ENUM(TExplorerButtonShadingType)

    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE setAlignment)
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE setAllowAllUp)
    Q_PROPERTY(TBevelStyle BevelStyle READ BevelStyle WRITE setBevelStyle)
    Q_PROPERTY(QImage Bitmap READ Bitmap WRITE setBitmap)
    Q_PROPERTY(QImage NoFocusBitmap READ NoFocusBitmap WRITE setNoFocusBitmap)
    Q_PROPERTY(QImage DisabledBitmap READ DisabledBitmap WRITE setDisabledBitmap)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(bool Down READ Down WRITE setDown)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE setGroupIndex)
    Q_PROPERTY(QMenu* DropDownMenu READ DropDownMenu WRITE setDropDownMenu)
    Q_PROPERTY(QMenu* PopupMenu READ PopupMenu WRITE setPopupMenu)
    Q_PROPERTY(TExplorerButtonLayout Layout READ Layout WRITE setLayout)
    Q_PROPERTY(TExplorerButtonOptions Options READ Options WRITE setOptions)
    Q_PROPERTY(TExplorerButtonShadingType ShadingType READ ShadingType WRITE setShadingType)
    Q_PROPERTY(bool ShowDownPattern READ ShowDownPattern WRITE setShowDownPattern)
    Q_PROPERTY(QColor UnselectedFontColor READ UnselectedFontColor WRITE setUnselectedFontColor)
    Q_PROPERTY(QColor FontColor READ FontColor WRITE setFontColor)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE setWordWrap)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE setShowHint)
    Q_PROPERTY(QString Hint READ Hint WRITE setHint)

    explicit TExplorerButton(QWidget* parent = nullptr);
    ~TExplorerButton() override;

    TAlignment Alignment() const { return alignment_; }
    void setAlignment(TAlignment v);
    bool AllowAllUp() const { return allowAllUp_; }
    void setAllowAllUp(bool v);
    TBevelStyle BevelStyle() const { return bevelStyle_; }
    void setBevelStyle(TBevelStyle v);
    QImage Bitmap() const { return bitmap_; }
    void setBitmap(const QImage& v);
    QImage NoFocusBitmap() const { return noFocusBitmap_; }
    void setNoFocusBitmap(const QImage& v);
    QImage DisabledBitmap() const { return disabledBitmap_; }
    void setDisabledBitmap(const QImage& v);
    QString Caption() const { return caption_; }
    void setCaption(const QString& v);
    bool Down() const { return down_; }
    void setDown(bool v);
    int GroupIndex() const { return groupIndex_; }
    void setGroupIndex(int v);
    QMenu* DropDownMenu() const { return dropDownMenu_; }
    void setDropDownMenu(QMenu* v);
    QMenu* PopupMenu() const { return popupMenu_; }
    void setPopupMenu(QMenu* v) { popupMenu_ = v; }
    TExplorerButtonLayout Layout() const { return layout_; }
    void setLayout(TExplorerButtonLayout v);
    TExplorerButtonOptions Options() const { return options_; }
    void setOptions(TExplorerButtonOptions v);
    TExplorerButtonShadingType ShadingType() const { return shadingType_; }
    void setShadingType(TExplorerButtonShadingType v);
    bool ShowDownPattern() const { return showDownPattern_; }
    void setShowDownPattern(bool v);
    QColor UnselectedFontColor() const { return unselectedFontColor_; }
    void setUnselectedFontColor(const QColor& v);
    QColor FontColor() const { return fontColor_; }
    void setFontColor(const QColor& v);
    bool WordWrap() const { return wordWrap_; }
    void setWordWrap(bool v);
    bool ShowHint() const { return showHint_; }
    void setShowHint(bool v) { showHint_ = v; }
    QString Hint() const { return toolTip(); }
    void setHint(const QString& v) { setToolTip(v); }

    bool MouseInside() const { return mouseInside_; }
    bool Pressed() const { return pressed_; }
    QImage MonoImage() const { return monoImage_; }
    // Where the image and caption stand for the current size and state.
    QRect ImageRect() const;
    QRect CaptionRect() const;

    static QString StripAccelerators(const QString& caption);
    // Grey copy of an image: background (top-left colour) kept, every other
    // pixel mapped by the brightness thresholds of the shading type.
    static QImage MakeMonoImage(const QImage& image, TExplorerButtonShadingType shading,
                                const QPalette& palette);
    // The image with its transparent colour (and fully transparent pixels) cleared.
    static QImage TransparentImage(const QImage& image);

signals:
    void OnClick(TExplorerButton* sender);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    struct Geometry {
        QRect image;   // bare image (without the mark's room)
        QRect caption; // drawn caption rectangle
        int ch = 0;
        bool hasCaption = false;
        bool hasImage = false;
    };
    Geometry computeGeometry() const;
    QList<TExplorerButton*> groupMates() const;
    void setMouseInside(bool v);
    void leftDown();
    void leftUp();
    void afterMenu();
    void performAccelerator();
    void remakeMonoImage();
    void updateShortcut();
    bool monoInUse() const;
    void drawBevel(QPainter& p, bool raised) const;
    void drawCaption(QPainter& p, const Geometry& g, QPoint offset, const QColor& color) const;
    void drawMark(QPainter& p, const Geometry& g, bool pressedLook, const QColor& color) const;

    TAlignment alignment_ = taCenter;
    bool allowAllUp_ = false;
    TBevelStyle bevelStyle_ = bsRaised;
    QImage bitmap_, noFocusBitmap_, disabledBitmap_, monoImage_;
    QString caption_;
    bool down_ = false;
    int groupIndex_ = 0;
    QPointer<QMenu> dropDownMenu_;
    QPointer<QMenu> popupMenu_;
    TExplorerButtonLayout layout_ = blBitmapTop;
    TExplorerButtonOptions options_ = TExplorerButtonOptions(boMonoDisplay | boPopupMark);
    TExplorerButtonShadingType shadingType_ = stMedium;
    bool showDownPattern_ = true;
    QColor unselectedFontColor_;
    QColor fontColor_;
    bool wordWrap_ = false;
    bool showHint_ = true; // hints follow the application unless switched off

    bool mouseInside_ = false;
    bool pressed_ = false;
    int shortcutId_ = 0;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TExplorerButton::TExplorerButtonOptions)

} // namespace corv
