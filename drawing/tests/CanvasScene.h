// The canvas test scene: rectangle, triangle, dashed cross, picture 100, spiral of squares, two
// ellipses with spokes.
#pragma once

#include "drawing/Canvas.h"

namespace DrawingTest {

// Draws the scene on the canvas; the group holds every element.
ICanvas::Group DrawCanvasScene(ICanvas::Canvas& canvas);

} // namespace DrawingTest
