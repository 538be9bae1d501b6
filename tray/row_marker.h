#pragma once

#include <QColor>
#include <QWidget>

namespace candlewatcher {

// A row's marker on the reminder panel: a filled box in the row's colour at the panel's left edge.
class RowMarker : public QWidget {
    Q_OBJECT
public:
    explicit RowMarker(QWidget* parent);
    QColor FillColor() const { return m_fill; }
    void SetFillColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill;
};

} // namespace candlewatcher
