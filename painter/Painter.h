// Qel::Painter: vector paths in double coordinates, their rasteriser, fillers, stroker and dasher.
#pragma once

#include <painter/path/Xform2D.h>
#include <painter/path/LinearPath.h>

#include <painter/canvas/PainterOps.h>
#include <painter/canvas/BoundsPainter.h>

#include <painter/raster/Rasterizer.h>
#include <painter/raster/Fillers.h>

#include <painter/stroke/Stroker.h>
#include <painter/stroke/Dasher.h>

#include <painter/paint/Gradient.h>
#include <painter/paint/ImageSpan.h>
#include <painter/paint/RadialSpan.h>

#include <painter/buffer/BufferPainter.h>
#include <painter/buffer/ImagePainter.h>

#include <painter/record/PaintingPainter.h>

#include <painter/svg/Svg.h>

#include <painter/PainterHooks.h>
