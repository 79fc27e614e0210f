// Direct painting for record families that bring their own graphics model.
#include "gdi/DeviceContextImpl.h"

namespace plat {

QTransform DeviceContext::referenceToDevice() const { return d->s.playback; }

const gdi::DeviceMetrics& DeviceContext::referenceMetrics() const { return d->s.metrics; }

QPainter* DeviceContext::beginDirectPainting()
{
    if (!d->painter.isActive() || !d->applyClip())
        return nullptr;
    d->painter.save();
    return &d->painter;
}

void DeviceContext::endDirectPainting()
{
    if (d->painter.isActive())
        d->painter.restore();
}

} // namespace plat
