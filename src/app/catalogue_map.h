#pragma once
// The map of the catalogue dialog: the contours of the listed passports drawn in longitude and
// latitude (equal-distance at the middle latitude), the chosen passport's highlighted.
#include <QPointF>
#include <QWidget>

#include <map>
#include <vector>

namespace talvena {

class CatalogueMap : public QWidget {
public:
    using Rings = std::map<qint64, std::vector<std::vector<QPointF>>>;
    explicit CatalogueMap(QWidget* parent = nullptr);
    void setRings(Rings rings);
    void setChosen(qint64 passport);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Rings rings_;
    qint64 chosen_ = 0;
};

} // namespace talvena
