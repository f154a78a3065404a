// Qel::Painter: vector paths in double coordinates, their rasteriser, fillers, stroker and dasher.
#pragma once

#include "Xform2D.h"
#include "LinearPath.h"
#include "Rasterizer.h"
#include "Fillers.h"
#include "Stroker.h"
#include "Dasher.h"
#include "PainterOps.h"
#include "BufferPainter.h"
#include "ImagePainter.h"
#include "Gradient.h"
#include "ImageSpan.h"
#include "RadialSpan.h"
#include "PaintingPainter.h"
#include "PainterHooks.h"
#include "BoundsPainter.h"
#include "Svg.h"
