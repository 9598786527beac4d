#pragma once

#include "gui/widgets/CSubclass.h"

#include <QImage>
#include <QList>
#include <QPainter>
#include <QPair>
#include <QPoint>
#include <QString>
#include <QVariant>
#include <QWidget>

class ListBoxInner;

// Owner-drawn list used for every list of the main window. The inner list `lstMain` keeps the
// rows, the current row and the scroll position; every row is drawn here, through an off-screen
// picture of the row's size, and the pointer and button messages of `lstMain` are taken over
// through a CSubclass, so selection by mouse is entirely this control's.
class ListBoxEx : public QWidget, public ISubclass {
    Q_OBJECT

public:
    // Saved properties in the order they are written and read back.
    using PropertyBag = QList<QPair<QString, QVariant>>;
    enum RowState { StateNormal = 0, StateHover = 1, StateSelected = 2 };

    explicit ListBoxEx(QWidget* parent = nullptr);
    ~ListBoxEx() override;

    PropertyBag WriteProperties() const;
    // A missing key keeps the current value.
    void ReadProperties(const PropertyBag& bag);

    void OnDrawItem(int index, QPainter* hDC, int state, int x, int y, int width, int height);
    // index -1 appends; an index beyond the end adds nothing.
    void AddItem(const QString& item, int index = -1);
    void RemoveItem(short index);
    void Clear();

    QWidget* hWnd() const;

    quint32 BackColor() const;
    void setBackColor(quint32 color);
    quint32 BorderColor() const { return m_borderColor; }
    void setBorderColor(quint32 color);
    bool Enabled() const { return isEnabled(); }
    quint32 ListColorA() const { return m_listColorA; }
    void setListColorA(quint32 color);
    quint32 ListColorB() const { return m_listColorB; }
    void setListColorB(quint32 color);
    quint32 ListSelColor() const { return m_listSelColor; }
    void setListSelColor(quint32 color);
    quint32 ForeSelColor() const { return m_foreSelColor; }
    void setForeSelColor(quint32 color);
    quint32 ForeColorA() const { return m_foreColorA; }
    void setForeColorA(quint32 color);
    quint32 ForeColorB() const { return m_foreColorB; }
    void setForeColorB(quint32 color);
    bool CausesValidation() const { return m_causesValidation; }
    void setCausesValidation(bool value) { m_causesValidation = value; }
    // One column; writing is refused (the program never writes it).
    int Columns() const { return 0; }

    QFont Font() const { return font(); }
    bool FontBold() const { return font().bold(); }
    void setFontBold(bool value);
    bool FontItalic() const { return font().italic(); }
    void setFontItalic(bool value);
    QString FontName() const { return font().family(); }
    void setFontName(const QString& name);
    float FontSize() const { return float(font().pointSizeF()); }
    void setFontSize(float points);
    bool FontStrikethru() const { return font().strikeOut(); }
    void setFontStrikethru(bool value);
    bool FontUnderline() const { return font().underline(); }
    void setFontUnderline(bool value);

    // Rows are always whole: the control shrinks to a whole number of rows when resized.
    bool IntegralHeight() const { return true; }
    int ListCount() const;
    int NewIndex() const;
    int SelCount() const;

    qint32 ItemData(int index) const;
    void setItemData(int index, qint32 value);
    QString List(int index) const;
    void setList(int index, const QString& text);
    // The check state of a row, shown when Style is 1.
    bool Selected(int index) const;
    void setSelected(int index, bool value);

    // Changing these from code raises no Click.
    int ListIndex() const;
    void setListIndex(int index);
    QString Text() const;
    // Selects the row whose text matches (ignoring case); no match changes nothing.
    void setText(const QString& text);
    int TopIndex() const;
    void setTopIndex(int index);

    int Style() const { return m_style; }
    void setStyle(int style) { m_style = style; }
    using QWidget::setStyle;

    int ItemHeight() const;
    // Row heights the inner list cannot keep (below 1 or above 255) are refused: false.
    bool setItemHeight(int height);

    int hoverRow() const { return m_hoverRow; }

    // A left press and release at the pointer, delivered after the current message as the user's
    // input would be. Hosts use it from MouseDown of a right press so that a right-click runs the
    // list's Click for the row it selected before a menu opens.
    void SendLeftClick();

signals:
    void Click(short Button, short Shift, float X, float Y);
    void DbClick(short Button, short Shift, float X, float Y);
    void KeyDown(short KeyCode, short Shift);
    void KeyPress(short KeyAscii);
    void KeyUp(short KeyCode, short Shift);
    void MouseDown(short Button, short Shift, float X, float Y);
    void MouseMove(short Button, short Shift, float X, float Y);
    void MouseUp(short Button, short Shift, float X, float Y);
    void Scroll();
    // Raised before a row is drawn into its off-screen picture; setting bSkip leaves the picture
    // as the handler made it.
    void DrawItem(int index, QPainter* hDC, int state, int width, int height, bool& bSkip);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

    void WndProc(bool bBefore, bool& bHandled, qintptr& lReturn, QWidget* lhWnd, int uMsg, qintptr wParam,
        qintptr lParam, qintptr& lParamUser) override;

private:
    // The inner list scrolls the current row into view through fit().
    friend class ListBoxInner;

    void fit();
    void applyFont(const QFont& font);
    int rowAt(int y) const;
    int stateOf(int index) const;
    void hoverUpdate(int row);
    void redrawRow(int row);
    void pressHandling(int button, int x, int y);
    void drawBorder(QPainter& painter);
    void buildCheckImages();
    // Client coordinates of lstMain, as the messages of a list box carry them.
    QPoint clientPos(qintptr lParam) const;

    ListBoxInner* lstMain = nullptr;
    QImage imgSrc;
    CSubclass m_subclass;

    quint32 m_borderColor = 0;
    quint32 m_listColorA = 0;
    quint32 m_listColorB = 0;
    quint32 m_listSelColor = 0;
    quint32 m_foreSelColor = 0;
    quint32 m_foreColorA = 0;
    quint32 m_foreColorB = 0;
    int m_style = 0;
    int m_hoverRow = -1;
    bool m_causesValidation = true;
    // Last pointer position over lstMain, in its own coordinates, for SendLeftClick.
    QPoint m_pointer;
};
