#pragma once

#include <QColor>
#include <QWidget>

namespace candlewatcher {

// One of the panel's one-pixel border lines, horizontal or vertical, given by its end points in twips.
class BorderLine : public QWidget {
    Q_OBJECT
public:
    BorderLine(QWidget* parent, const QColor& color);
    // The line from (x1, y1) to (x2, y2); one of the two pairs of coordinates must be equal.
    void SetEnds(int x1, int y1, int x2, int y2);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
    int m_x1 = 0;
    int m_y1 = 0;
    int m_x2 = 0;
    int m_y2 = 0;
};

} // namespace candlewatcher
