// The page transform of a device context: mapping mode, window and viewport
// origins and extents. Logical (page) coordinates map to device coordinates as
//   device = (page - windowOrg) * viewportExt / windowExt + viewportOrg.
#pragma once

#include "platform_export.h"

#include <QPointF>
#include <QSizeF>
#include <QTransform>

namespace plat::gdi {

// Size of the device the fixed mapping modes measure against: its extent in
// pixels and in millimetres. For a bitmap it is the screen resolution; while
// an enhanced metafile plays it is the metafile's reference device.
struct DeviceMetrics {
    QSizeF pixels{96, 96};
    QSizeF millimetres{25.4, 25.4};
};

class PLATFORM_EXPORT PageMapping {
public:
    int mapMode() const { return mode_; }
    QPointF windowOrg() const { return windowOrg_; }
    QPointF viewportOrg() const { return viewportOrg_; }
    QSizeF windowExt() const { return windowExt_; }
    QSizeF viewportExt() const { return viewportExt_; }

    // SetMapMode. Fixed modes set both extents from the device metrics;
    // MM_ISOTROPIC starts from the MM_LOMETRIC extents; MM_ANISOTROPIC keeps
    // whatever extents were in force. False for an unknown mode.
    bool setMapMode(int mode, const DeviceMetrics& metrics);

    // Extents change only in the isotropic and anisotropic modes, and never
    // to zero (those calls fail and change nothing, as they do on Windows).
    bool setWindowExt(double cx, double cy);
    bool setViewportExt(double cx, double cy);
    bool scaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
    bool scaleViewportExt(double xNum, double xDenom, double yNum, double yDenom);

    void setWindowOrg(double x, double y) { windowOrg_ = {x, y}; }
    void setViewportOrg(double x, double y) { viewportOrg_ = {x, y}; }
    void offsetWindowOrg(double dx, double dy) { windowOrg_ += QPointF(dx, dy); }
    void offsetViewportOrg(double dx, double dy) { viewportOrg_ += QPointF(dx, dy); }

    // Page to device.
    QTransform transform() const;

private:
    void adjustIsotropic();

    int mode_ = 1; // MM_TEXT
    QPointF windowOrg_{0, 0};
    QPointF viewportOrg_{0, 0};
    QSizeF windowExt_{1, 1};
    QSizeF viewportExt_{1, 1};
};

} // namespace plat::gdi
