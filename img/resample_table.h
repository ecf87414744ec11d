// The table of the filtered resampling's named entry points: its formats and edge rules.
#pragma once

// X(name, PelFmtId) for each format with a filtered driver.
#define TALVO_G_RESAMPLE_FORMATS(X) \
    X(rgb888, 1) X(rgbx8888, 2) X(rgba8888, 3) X(rgb565, 4) X(rgbx5551, 5) X(rgba5551, 6) X(rgbx4444, 7) X(rgba4444, 8)
// X(name, PelFmtId, edge, wraps x, wraps y) for the edge rules of the modes 1 to 4, in mode order.
#define TALVO_G_RESAMPLE_EDGES(X, fmt, id) \
    X(fmt, id, nowrap, false, false) X(fmt, id, wrapx, true, false) X(fmt, id, wrapy, false, true) \
    X(fmt, id, wrapxy, true, true)
