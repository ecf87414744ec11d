// The table of the filtered resampling's named entry points: its formats and edge rules.
#pragma once

// X(name, PelFmtId) for each format with a filtered driver.
#define TALVO_G_RESAMPLE_FORMATS(X) \
    X(rgb888, fmtId::rgb888) X(rgbx8888, fmtId::rgbx8888) X(rgba8888, fmtId::rgba8888) X(rgb565, fmtId::rgb565) \
    X(rgbx5551, fmtId::rgbx5551) X(rgba5551, fmtId::rgba5551) X(rgbx4444, fmtId::rgbx4444)              \
    X(rgba4444, fmtId::rgba4444)
// X(name, PelFmtId, edge, wraps x, wraps y) for the edge rules of the modes 1 to 4, in mode order.
#define TALVO_G_RESAMPLE_EDGES(X, fmt, id) \
    X(fmt, id, nowrap, false, false) X(fmt, id, wrapx, true, false) X(fmt, id, wrapy, false, true) \
    X(fmt, id, wrapxy, true, true)
