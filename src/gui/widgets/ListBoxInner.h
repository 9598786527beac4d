#pragma once

#include "gui/widgets/ModDC.h"

#include <QString>
#include <QVector>
#include <QWidget>

class ListBoxEx;
class QScrollBar;

// The inner list box of ListBoxEx: rows, current row, scroll position and the keyboard, as a
// standard list box keeps them. It draws nothing itself but asks its owner for every row.
class ListBoxInner : public QWidget {
public:
    struct Row {
        QString text;
        qint32 data = 0;
        bool checked = false;
    };

    static constexpr int frame = 1;

    explicit ListBoxInner(ListBoxEx* owner);

    QVector<Row> rows;
    int listIndex = -1;
    int topIndex = 0;
    int newIndex = -1;
    int itemHeight = 16;
    quint32 backColor = ModDC::RGB(255, 255, 255);

    int count() const { return int(rows.size()); }
    bool valid(int index) const { return index >= 0 && index < count(); }

    // Inside the frame and left of the scroll bar, in widget coordinates.
    QRect clientRect() const;
    int wholeRows() const;
    int maxTop() const;
    // Row rectangle in client coordinates (origin inside the frame).
    QRect rowRect(int index) const;

    void updateRow(int index);
    void updateRows();
    void layoutBar();
    void setTop(int top, bool byUser);
    void ensureVisible(int index);
    void setCurrent(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent*) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool navigate(int key);
    void findByFirstCharacter(QChar c);

    ListBoxEx* m_owner;
    QScrollBar* m_bar;
    int m_wheel = 0;
};
