#include "drawing/tests/CanvasScene.h"

#include <cmath>

namespace DrawingTest {

ICanvas::Group DrawCanvasScene(ICanvas::Canvas& canvas) {
    using P = zq::float8Point;
    ICanvas::Group g;
    g.Add(canvas.CreateRect({1000, 1000, 3000, -3000}));
    g.Add(canvas.CreateClosedPolygon({P(3000, -3000), P(6000, -3000), P(4000, -6000)}));
    g.Add(canvas.CreateDashedLine(P(9000, -3000), P(11000, -3000), 0));
    g.Add(canvas.CreateDashedLine(P(10000, -2000), P(10000, -4000), 0));
    g.Add(canvas.CreatePicture(P(10000, -3000), 100));
    std::vector<P> square{P(7000, -5000), P(17000, -5000), P(17000, -15000), P(7000, -15000)};
    g.Add(canvas.CreateClosedPolygon(square));
    for (int n = 0; n < 25; ++n) {
        std::vector<P> next(4);
        for (int i = 0; i < 4; ++i) {
            const P& v = square[i];
            const P& w = square[(i + 1) % 4];
            next[i] = P((0.15 * w.x + v.x) / 1.15, (0.15 * w.y + v.y) / 1.15);
        }
        square = next;
        g.Add(canvas.CreateClosedPolygon(square));
    }
    g.Add(canvas.CreateEllipse({12000, -1000, 15000, -4000}));
    g.Add(canvas.CreateEllipse({11500, -500, 15500, -4500}));
    const double pi = std::acos(-1.0);
    for (int i = 0; i <= 28; i += 2) {
        const double a = i * pi / 15;
        g.Add(canvas.CreateLine(P(13500 + 1500 * std::cos(a), -2500 + 1500 * std::sin(a)),
                                P(13500 + 2000 * std::cos(a), -2500 + 2000 * std::sin(a))));
    }
    return g;
}

} // namespace DrawingTest
