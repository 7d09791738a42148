#include "items/shaperenderer.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <algorithm>
#include <cmath>

#include "base/uimetrics.h"
#include "drawing/colorname.h"
#include "drawing/stylerecords.h"
#include "items/linedecorations.h"

namespace {

// What every part of one rendering needs: sizes, colours and the pens built from them.
struct RenderContext
{
    QPixmap *pixmap = nullptr;
    QPainter *painter = nullptr;
    const ShapeStyle *style = nullptr;
    double W = 0;
    double H = 0;
    double w = 0;
    QRectF R;
    double cx = 0;
    double cy = 0;
    QColor pen;   // invalid when the outline colour stands for no colour
    QColor fill;  // invalid when there is no fill
    QPointF mark; // where the centre mark goes

    QPen styledPen(Qt::PenCapStyle cap, Qt::PenJoinStyle join) const
    {
        if (!pen.isValid())
            return QPen(Qt::NoPen);
        return QPen(pen, w, penStyleOf(style->lineStyle), cap, join);
    }
    QPen solidPen(double width, Qt::PenCapStyle cap, Qt::PenJoinStyle join) const
    {
        if (!pen.isValid())
            return QPen(Qt::NoPen);
        return QPen(pen, width, Qt::SolidLine, cap, join);
    }
    QBrush fillBrush() const { return fill.isValid() ? QBrush(fill) : QBrush(Qt::NoBrush); }
    void backgroundFill() const
    {
        if (fill.isValid())
            painter->fillRect(QRectF(0, 0, W, H), fill);
    }
};

QColor withAlpha(QColor color, int alpha)
{
    color.setAlpha(alpha);
    return color;
}

void drawPlainFigure(RenderContext &k, int id)
{
    QPainter &p = *k.painter;
    const double W = k.W, H = k.H, w = k.w;
    p.setBrush(k.fillBrush());
    QPainterPath path;
    switch (id) {
        case ShapeType::Ellipse:
            p.setPen(k.styledPen(Qt::SquareCap, Qt::BevelJoin));
            p.drawEllipse(k.R);
            return;
        case ShapeType::Rectangle:
            p.setPen(k.styledPen(Qt::SquareCap, Qt::BevelJoin));
            p.drawRect(k.R);
            return;
        case ShapeType::Parallelogram:
            path.moveTo(w / 2 + W / 4, w / 2);
            path.lineTo(W - w / 2, w / 2);
            path.lineTo(W - w / 2 - W / 4, H - w / 2);
            path.lineTo(w / 2, H - w / 2);
            break;
        case ShapeType::Diamond:
            path.moveTo(w / 2, k.cy);
            path.lineTo(k.cx, w / 2);
            path.lineTo(W - w / 2, k.cy);
            path.lineTo(k.cx, H - w / 2);
            break;
        case ShapeType::RightTriangle:
            path.moveTo(w / 2, w / 2);
            path.lineTo(w / 2, H - w / 2);
            path.lineTo(W, H - w / 2);
            break;
        case ShapeType::Sector:
        case ShapeType::Arc: {
            const int start = k.style->startAngle, span = k.style->angleSize;
            if (start < -360 || start > 360 || span < 1 || span > 360)
                return;
            p.setPen(k.styledPen(Qt::SquareCap, Qt::BevelJoin));
            if (id == ShapeType::Sector)
                p.drawPie(k.R, start * 16, span * 16);
            else
                p.drawChord(k.R, start * 16, span * 16);
            return;
        }
        default:
            return;
    }
    path.closeSubpath();
    p.setPen(k.styledPen(Qt::FlatCap, Qt::RoundJoin));
    p.drawPath(path);
}

void drawRegularPolygon(RenderContext &k)
{
    int n = k.style->polygonSideCount;
    if (n < 3 || n > 30)
        n = 3;
    const double Hi = k.H - k.w;
    double hw = (k.W - k.w) / 2;
    const double step = 2 * M_PI / n, half = step / 2;
    double r = 0, cx = k.cx, cy = k.cy;
    if (n % 2 == 1) {
        r = Hi / (1 + std::cos(half));
        for (int i = 0; i < n / 2; ++i)
            r = std::min(r, hw / std::cos(i * step + half + 3 * M_PI / 2));
        cy = ((k.H - r) - r * std::cos(half)) / 2 + r;
    } else {
        r = (Hi / 2) / std::cos(half);
        if (n % 4 == 0)
            hw /= std::cos(half);
        r = std::min(r, hw);
        cx += 1;
        cy += 1;
    }
    QPainterPath path;
    for (int i = 0; i < n; ++i) {
        const double theta = 3 * M_PI / 2 - half + i * step;
        const QPointF vertex(cx + r * std::cos(theta), cy - r * std::sin(theta));
        if (i == 0)
            path.moveTo(vertex);
        else
            path.lineTo(vertex);
    }
    path.closeSubpath();
    k.painter->setPen(k.styledPen(Qt::FlatCap, Qt::RoundJoin));
    k.painter->setBrush(k.fillBrush());
    k.painter->drawPath(path);
    k.mark = QPointF(cx, cy);
}

QPen hiddenEdgePen(const RenderContext &k)
{
    if (!k.pen.isValid())
        return QPen(Qt::NoPen);
    return QPen(withAlpha(k.pen, 80), k.w, Qt::DashLine, Qt::SquareCap, Qt::BevelJoin);
}

// The dashed back half of a round solid's ellipse; the painter is left with the pen of the
// visible edges and no brush.
void drawHiddenBackArc(RenderContext &k, const QRectF &ellipse)
{
    QPainter &p = *k.painter;
    p.setBrush(Qt::NoBrush);
    p.setPen(hiddenEdgePen(k));
    p.drawArc(ellipse, 0, 180 * 16);
    p.setPen(k.styledPen(Qt::SquareCap, Qt::BevelJoin));
}

// A round solid's body shaded from its lit side (the fill lightened by lighter percent) to the
// fill.
void shadeBody(RenderContext &k, const QPainterPath &body, const QPointF &lit,
               const QPointF &shaded, int lighter)
{
    QLinearGradient gradient(lit, shaded);
    gradient.setColorAt(0, withAlpha(k.fill.lighter(lighter), 180));
    gradient.setColorAt(1, withAlpha(k.fill, 180));
    k.painter->setBrush(gradient);
    k.painter->drawPath(body);
}

void fillPolygon(QPainter &p, const QColor &color, const QVector<QPointF> &points)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(QPolygonF(points));
}

void drawCuboid(RenderContext &k)
{
    QPainter &p = *k.painter;
    const double W = k.W, H = k.H, w = k.w, m = std::min(W, H);
    if (!(5 * w < m))
        return;
    double d = k.style->cuboidDepth;
    if (!(d > 0 && d < W - w && d < H - w))
        d = m / 4;
    const QPointF ftl(w / 2, w / 2 + d), ftr(W - w / 2 - d, w / 2 + d);
    const QPointF fbr(W - w / 2 - d, H - w / 2), fbl(w / 2, H - w / 2);
    const QPointF off(d, -d);
    const QPointF btl = ftl + off, btr = ftr + off, bbr = fbr + off, bbl = fbl + off;
    if (k.fill.isValid()) {
        const QColor f = withAlpha(k.fill, 180), fl = withAlpha(k.fill.lighter(120), 180);
        const QColor fh = withAlpha(k.fill, 80);
        fillPolygon(p, fh, {fbl, fbr, bbr, bbl});
        fillPolygon(p, f, {ftl, ftr, fbr, fbl});
        fillPolygon(p, fl, {ftr, btr, bbr, fbr});
        fillPolygon(p, fl, {ftl, btl, btr, ftr});
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(hiddenEdgePen(k));
    p.drawLine(bbl, btl);
    p.drawLine(bbl, bbr);
    p.drawLine(bbl, fbl);
    p.setPen(k.styledPen(Qt::SquareCap, Qt::BevelJoin));
    p.drawPolygon(QPolygonF({ftl, ftr, fbr, fbl}));
    p.drawLine(ftl, btl);
    p.drawLine(ftr, btr);
    p.drawLine(fbr, bbr);
    p.drawLine(btl, btr);
    p.drawLine(btr, bbr);
}

void drawCylinder(RenderContext &k)
{
    QPainter &p = *k.painter;
    const double W = k.W, H = k.H, w = k.w, e = std::min(W, H) / 4;
    const QRectF top(w / 2, w / 2, W - w, e), bottom(w / 2, H - w / 2 - e, W - w, e);
    if (k.fill.isValid()) {
        const QColor fl = withAlpha(k.fill.lighter(120), 180);
        p.setPen(Qt::NoPen);
        p.setBrush(withAlpha(k.fill, 80));
        p.drawEllipse(bottom);
        p.setBrush(fl);
        p.drawEllipse(top);
        QPainterPath body, topPath, bottomPath;
        body.addRect(QRectF(w / 2, w / 2 + e / 2, W - w, H - w - e));
        bottomPath.addEllipse(bottom);
        topPath.addEllipse(top);
        body = body.united(bottomPath).subtracted(topPath);
        shadeBody(k, body, QPointF(W - w / 2, w / 2 + e / 2), QPointF(w / 2, w / 2 + e / 2), 120);
    }
    drawHiddenBackArc(k, bottom);
    p.drawEllipse(top);
    p.drawLine(QPointF(w / 2, w / 2 + e / 2), QPointF(w / 2, H - w / 2 - e / 2));
    p.drawLine(QPointF(W - w / 2, w / 2 + e / 2), QPointF(W - w / 2, H - w / 2 - e / 2));
    p.drawArc(bottom, 180 * 16, 180 * 16);
    k.mark = bottom.center();
}

void drawSphere(RenderContext &k)
{
    QPainter &p = *k.painter;
    const double m = std::min(k.W, k.H);
    QRectF equator(0, 0, k.W - k.w, m / 4);
    equator.moveCenter(QPointF(k.cx, k.cy));
    if (k.fill.isValid()) {
        const QPointF focus(1.5 * k.cx, 0.5 * k.cy);
        QRadialGradient gradient(focus, std::max(k.cx, k.cy), focus);
        gradient.setColorAt(0, withAlpha(k.fill.lighter(120), 80));
        gradient.setColorAt(1, withAlpha(k.fill, 180));
        p.setPen(Qt::NoPen);
        p.setBrush(gradient);
        p.drawEllipse(k.R);
    }
    drawHiddenBackArc(k, equator);
    p.drawEllipse(k.R);
    p.drawArc(equator, 180 * 16, 180 * 16);
}

void drawCone(RenderContext &k)
{
    QPainter &p = *k.painter;
    const double W = k.W, H = k.H, w = k.w, e = std::min(W, H) / 4;
    const QRectF base(w / 2, H - w / 2 - e, W - w, e);
    const QPointF apex(k.cx, w / 2);
    const QPointF left(w / 2, H - w / 2 - e / 2), right(W - w / 2, H - w / 2 - e / 2);
    if (k.fill.isValid()) {
        p.setPen(Qt::NoPen);
        p.setBrush(withAlpha(k.fill, 80));
        p.drawEllipse(base);
        QPainterPath body;
        body.setFillRule(Qt::WindingFill);
        body.addPolygon(QPolygonF({apex, left, right}));
        body.closeSubpath();
        body.addEllipse(base);
        shadeBody(k, body, right, left, 130);
    }
    drawHiddenBackArc(k, base);
    p.drawLine(apex, left);
    p.drawLine(apex, right);
    p.drawArc(base, 180 * 16, 180 * 16);
    k.mark = base.center();
}

// The axes' lines are drawn here; their heads and ticks go onto the pixmap afterwards.
struct Axis
{
    QPointF from, to;
    int tickStyle;
};

QVector<Axis> drawAxes(RenderContext &k, int id)
{
    QPainter &p = *k.painter;
    const double w = k.w, ox = k.cx - w, oy = k.cy;
    k.mark = QPointF(ox, oy);
    k.backgroundFill();
    const double hx = std::min(ox - w / 2, k.W - w / 2 - ox);
    const double hy = std::min(oy - w / 2, k.H - w / 2 - oy);
    if (!(10 * w < hx && 10 * w < hy))
        return {};
    QVector<Axis> axes{{QPointF(ox - hx, oy), QPointF(ox + hx, oy), 1},
                       {QPointF(ox, oy + hy), QPointF(ox, oy - hy), 1}};
    if (id == ShapeType::SpaceAxes) {
        const double d = std::min(hx, hy);
        axes.append({QPointF(ox + d, oy - d), QPointF(ox - d, oy + d), 3});
    }
    p.setPen(k.solidPen(w, Qt::FlatCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    for (const Axis &axis : axes)
        p.drawLine(axis.from, axis.to);
    return axes;
}

void drawWritingGrid(RenderContext &k, int id)
{
    QPainter &p = *k.painter;
    const double W = k.W, H = k.H, w = k.w;
    k.backgroundFill();
    p.setBrush(Qt::NoBrush);
    const QPen solid = k.solidPen(w, Qt::FlatCap, Qt::RoundJoin);
    auto line = [&](double y) { p.drawLine(QPointF(0, y), QPointF(W, y)); };
    if (id == ShapeType::FourLineGrid) {
        if (!(8 * w < H))
            return;
        const double step = std::floor(H / 3);
        p.setPen(solid);
        line(w / 2);
        if (k.pen.isValid())
            p.setPen(QPen(k.pen, w - 1, Qt::DashLine, Qt::FlatCap, Qt::RoundJoin));
        line(step + w / 2);
        line(2 * step + w / 2);
        p.setPen(solid);
        line(H - w / 2);
    } else {
        if (!(10 * w < H))
            return;
        const double step = std::floor(H / 4);
        p.setPen(solid);
        for (int i = 0; i < 4; ++i)
            line(i * step + w / 2);
        line(H - w / 2);
    }
}

void drawRuler(RenderContext &k, double pixelsPerMm)
{
    QPainter &p = *k.painter;
    const double W = k.W, H = k.H;
    p.setPen(k.solidPen(2, Qt::SquareCap, Qt::BevelJoin));
    p.setBrush(k.fillBrush());
    p.drawRect(QRectF(QPointF(1, 1), QPointF(W - 2, H - 2)));
    // A headless or misreporting screen can give no usable scale: then the ruler has no ticks.
    if (!(pixelsPerMm > 0) || !std::isfinite(pixelsPerMm) || !k.pen.isValid())
        return;
    const int u = qRound(1.5 * pixelsPerMm);
    if (u < 1 || !(4 * u < W && 4 * u < H))
        return;
    p.setPen(k.solidPen(1, Qt::SquareCap, Qt::BevelJoin));
    const QFontMetrics metrics = p.fontMetrics();
    const double count = (W - 4 * u) / pixelsPerMm;
    for (int i = 0; i < count; ++i) {
        const double x = i * pixelsPerMm + 2 * u;
        int length = 2 * u;
        if (i % 10 == 0)
            length = 4 * u;
        else if (i % 5 == 0)
            length = 3 * u;
        p.drawLine(QPointF(x, 0), QPointF(x, length));
        if (i % 10 == 0) {
            const QString label = QString::number(i / 10);
            const int textWidth = metrics.horizontalAdvance(label);
            const int left = int(std::floor(x)) - (textWidth - 1) / 2;
            const int baseline = 6 * u + int(std::ceil(metrics.height() / 2.0));
            p.drawText(QPoint(left, baseline), label);
        }
    }
}

void drawProtractor(RenderContext &k)
{
    k.backgroundFill();
    if (!(k.W > 10 && k.H > 10))
        return;
    const QPixmap source(QStringLiteral(":/icon/protractor_source.png"));
    if (source.isNull())
        return;
    const QPixmap scaled =
        source.scaled(int(k.W), int(k.H), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    k.painter->drawPixmap(QPointF((k.W - scaled.width()) / 2, k.H - scaled.height()), scaled);
}

void drawParabola(RenderContext &k)
{
    const double W = k.W, H = k.H, w = k.w;
    k.backgroundFill();
    const int mx = (int(W) - 1) / 2;
    const double yb = H - 1 - w / 2;
    QPainterPath path(QPointF(w / 2, w / 2));
    path.quadTo(QPointF(std::floor((w / 2 + mx) / 2), qRound(yb)), QPointF(mx, yb));
    path.quadTo(QPointF(std::floor((mx + W - 1 - w / 2) / 2), qRound(yb)),
                QPointF(W - 1 - w / 2, w / 2));
    k.painter->setPen(k.solidPen(w, Qt::RoundCap, Qt::RoundJoin));
    k.painter->setBrush(Qt::NoBrush);
    k.painter->drawPath(path);
    k.mark = QPointF(mx, yb);
}

void drawWavyLine(RenderContext &k)
{
    const double W = k.W, H = k.H, w = k.w, cx = k.cx, cy = k.cy;
    k.backgroundFill();
    const double q = (W - w) / 4;
    const QPointF crest(w / 2 + q, w / 2), middle(cx, cy), trough(w / 2 + 3 * q, H - w / 2);
    const QPointF end(W - w / 2, cy);
    QPainterPath path(QPointF(w / 2, cy));
    path.quadTo(QPointF((w / 2 + crest.x()) / 2, w / 2), crest);
    path.quadTo(QPointF((crest.x() + cx) / 2, w / 2), middle);
    path.quadTo(QPointF((cx + trough.x()) / 2, H - w / 2), trough);
    path.quadTo(QPointF((end.x() + trough.x()) / 2, H - w / 2), end);
    k.painter->setPen(k.solidPen(w, Qt::RoundCap, Qt::RoundJoin));
    k.painter->setBrush(Qt::NoBrush);
    k.painter->drawPath(path);
}

void drawCheckMark(RenderContext &k, int id)
{
    const double W = k.W, H = k.H;
    k.backgroundFill();
    if (!(W > 10 && H > 10) || !k.pen.isValid())
        return;
    const double a = std::ceil(0.65 * H), b = std::ceil(0.9 * H), c = std::ceil(W / 4);
    const double h = std::floor(c / 2), t = std::floor((W - c) / 4);
    QPainterPath path(QPointF(0, a));
    path.cubicTo(QPointF(h, a), QPointF(h, b), QPointF(c, b));
    path.quadTo(QPointF(c + t, b), QPointF(W, 0));
    path.quadTo(QPointF(c + t, H), QPointF(c, H));
    path.cubicTo(QPointF(h, H), QPointF(h, a), QPointF(0, a));
    k.painter->fillPath(path, k.pen);
    if (id == ShapeType::HalfTick) {
        k.painter->setPen(k.solidPen(0.03 * H, Qt::RoundCap, Qt::BevelJoin));
        k.painter->drawLine(QPointF(std::ceil(0.6 * W), std::ceil(0.3 * H)),
                            QPointF(std::ceil(0.8 * W), std::ceil(0.6 * H)));
    }
}

void drawCentreMark(QPixmap *pixmap, const QPointF &centre)
{
    QPainter painter(pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(centre.x() - 2, centre.y() - 2, 4, 4));
}

} // namespace

QPixmap ShapeRenderer::render(const QSize &size, const ShapeStyle &style, bool centreMark)
{
    return render(size, style, centreMark, pixelsPerMillimetre());
}

QPixmap ShapeRenderer::render(const QSize &size, const ShapeStyle &style, bool centreMark,
                              double pixelsPerMm)
{
    if (size.width() < 1 || size.height() < 1)
        return QPixmap();
    QPixmap pixmap(size);
    if (pixmap.isNull())
        return pixmap;
    pixmap.fill(Qt::transparent);

    RenderContext k;
    k.pixmap = &pixmap;
    k.style = &style;
    k.W = size.width();
    k.H = size.height();
    k.w = style.lineWidth;
    k.R = QRectF(k.w / 2, k.w / 2, k.W - k.w, k.H - k.w);
    k.cx = k.R.center().x();
    k.cy = k.R.center().y();
    k.pen = colorFromName(style.color);
    k.fill = colorFromName(style.fillColor);
    k.mark = QPointF(k.cx, k.cy);

    const int id = style.shapeType;
    QVector<Axis> axes;
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        k.painter = &painter;
        switch (id) {
            case ShapeType::Ellipse:
            case ShapeType::Rectangle:
            case ShapeType::Parallelogram:
            case ShapeType::Diamond:
            case ShapeType::RightTriangle:
            case ShapeType::Sector:
            case ShapeType::Arc:
                drawPlainFigure(k, id);
                break;
            case ShapeType::RegularPolygon:
                drawRegularPolygon(k);
                break;
            case ShapeType::Cuboid:
                drawCuboid(k);
                break;
            case ShapeType::Cylinder:
                drawCylinder(k);
                break;
            case ShapeType::Sphere:
                drawSphere(k);
                break;
            case ShapeType::Cone:
                drawCone(k);
                break;
            case ShapeType::PlaneAxes:
            case ShapeType::SpaceAxes:
                axes = drawAxes(k, id);
                break;
            case ShapeType::FourLineGrid:
            case ShapeType::FiveLineGrid:
                drawWritingGrid(k, id);
                break;
            case ShapeType::Ruler:
                drawRuler(k, pixelsPerMm);
                break;
            case ShapeType::Protractor:
                drawProtractor(k);
                break;
            case ShapeType::Parabola:
                drawParabola(k);
                break;
            case ShapeType::WavyLine:
                drawWavyLine(k);
                break;
            case ShapeType::Tick:
            case ShapeType::HalfTick:
                drawCheckMark(k, id);
                break;
            default:
                break;
        }
        k.painter = nullptr;
    }
    const int w = style.lineWidth;
    for (const Axis &axis : axes) {
        drawArrowheads(&pixmap, axis.from, axis.to, w, 1, style.color);
        if (style.hasLineDegree)
            drawLineTicks(&pixmap, axis.from, axis.to, w, axis.tickStyle, style.color, false);
    }
    if (centreMark)
        drawCentreMark(&pixmap, k.mark);
    return pixmap;
}
