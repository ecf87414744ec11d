// A model request as the DrawParams and rectangle handed to imgCTy::DrawEx.
#pragma once

#include "blitModel.h"
#include "sprite/drawParams.h"
#include "sprite/imgRect.h"

inline DrawParams drawParamsOf(const model::Request& req, imgCTy* map, imgCTy* srcDepth, imgCTy* dstDepth)
{
    DrawParams params;
    params.mode = req.mode, params.scaled = req.scaled, params.alpha = req.alpha;
    params.scaleX = req.scaleX, params.scaleY = req.scaleY;
    params.alphaMap = map, params.srcDepth = srcDepth, params.dstDepth = dstDepth;
    return params;
}

inline imgRect rectOf(const model::Request& req) { return {req.rx, req.ry, req.rw, req.rh}; }
