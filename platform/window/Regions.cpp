#include "platform/window/Regions.h"

#include <algorithm>
#include <cmath>

namespace {

using Spans = std::vector<std::pair<LONG, LONG>>;

// The x spans of a region's rectangles that cover the band [y0, y1).
Spans SpansInBand(const std::vector<RECT>& rects, LONG y0, LONG y1) {
    Spans spans;
    for (const RECT& r : rects) {
        if (r.top <= y0 && r.bottom >= y1) spans.emplace_back(r.left, r.right);
    }
    std::sort(spans.begin(), spans.end());
    Spans merged;
    for (const auto& s : spans) {
        if (!merged.empty() && s.first <= merged.back().second) {
            merged.back().second = std::max(merged.back().second, s.second);
        } else {
            merged.push_back(s);
        }
    }
    return merged;
}

bool InSpans(const Spans& spans, LONG x0, LONG x1) {
    for (const auto& s : spans) {
        if (s.first <= x0 && s.second >= x1) return true;
    }
    return false;
}

bool Keep(bool a, bool b, Region::Op op) {
    switch (op) {
        case Region::Op::And: return a && b;
        case Region::Op::Or: return a || b;
        case Region::Op::Diff: return a && !b;
        case Region::Op::Xor: return a != b;
    }
    return false;
}

}  // namespace

Region::Region(const RECT& rc) {
    if (!IsRectEmpty(&rc)) rects_.push_back(rc);
}

Region Region::RoundRect(const RECT& rc, int ellipseWidth, int ellipseHeight) {
    // GDI leaves out the right and bottom edge of a rounded rectangle.
    RECT box{rc.left, rc.top, rc.right - 1, rc.bottom - 1};
    Region result;
    if (IsRectEmpty(&box)) return result;
    const LONG width = box.right - box.left;
    const LONG height = box.bottom - box.top;
    const double rx = std::min<double>(std::abs(ellipseWidth), width) / 2.0;
    const double ry = std::min<double>(std::abs(ellipseHeight), height) / 2.0;
    if (rx < 1.0 || ry < 1.0) return Region(box);
    Region built;
    for (LONG row = 0; row < height; ++row) {
        // Distance of the row's centre line from the nearer corner centre.
        const double cy = row + 0.5;
        double inset = 0.0;
        double dy = 0.0;
        if (cy < ry) {
            dy = ry - cy;
        } else if (cy > height - ry) {
            dy = cy - (height - ry);
        }
        if (dy > 0.0) {
            const double t = std::max(0.0, 1.0 - (dy * dy) / (ry * ry));
            inset = rx - rx * std::sqrt(t);
        }
        const LONG left = box.left + static_cast<LONG>(std::lround(inset));
        const LONG right = box.right - static_cast<LONG>(std::lround(inset));
        if (right > left) {
            RECT line{left, box.top + row, right, box.top + row + 1};
            if (!built.rects_.empty()) {
                RECT& last = built.rects_.back();
                if (last.left == line.left && last.right == line.right && last.bottom == line.top) {
                    last.bottom = line.bottom;
                    continue;
                }
            }
            built.rects_.push_back(line);
        }
    }
    return built;
}

Region Region::Combine(const Region& a, const Region& b, Op op) {
    std::vector<LONG> ys;
    std::vector<LONG> xs;
    for (const auto* region : {&a, &b}) {
        for (const RECT& r : region->rects_) {
            ys.push_back(r.top);
            ys.push_back(r.bottom);
            xs.push_back(r.left);
            xs.push_back(r.right);
        }
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());

    Region out;
    std::vector<RECT> previousBand;
    for (size_t i = 0; i + 1 < ys.size(); ++i) {
        const LONG y0 = ys[i];
        const LONG y1 = ys[i + 1];
        const Spans sa = SpansInBand(a.rects_, y0, y1);
        const Spans sb = SpansInBand(b.rects_, y0, y1);
        std::vector<RECT> band;
        for (size_t j = 0; j + 1 < xs.size(); ++j) {
            if (!Keep(InSpans(sa, xs[j], xs[j + 1]), InSpans(sb, xs[j], xs[j + 1]), op)) continue;
            if (!band.empty() && band.back().right == xs[j]) {
                band.back().right = xs[j + 1];
            } else {
                band.push_back(RECT{xs[j], y0, xs[j + 1], y1});
            }
        }
        // Join with the band above when the spans are the same.
        bool same = !band.empty() && band.size() == previousBand.size();
        for (size_t k = 0; same && k < band.size(); ++k) {
            same = band[k].left == previousBand[k].left && band[k].right == previousBand[k].right &&
                   previousBand[k].bottom == y0;
        }
        if (same) {
            const size_t first = out.rects_.size() - band.size();
            for (size_t k = 0; k < band.size(); ++k) out.rects_[first + k].bottom = y1;
            for (RECT& r : previousBand) r.bottom = y1;
        } else {
            out.rects_.insert(out.rects_.end(), band.begin(), band.end());
            previousBand = band;
        }
    }
    return out;
}

bool Region::Contains(POINT pt) const {
    for (const RECT& r : rects_) {
        if (PtInRect(&r, pt)) return true;
    }
    return false;
}

bool Region::Intersects(const RECT& rc) const {
    RECT overlap;
    for (const RECT& r : rects_) {
        if (IntersectRect(&overlap, &r, &rc)) return true;
    }
    return false;
}

RECT Region::Bounds() const {
    RECT bounds{};
    for (const RECT& r : rects_) UnionRect(&bounds, &bounds, &r);
    return bounds;
}

void Region::Offset(int dx, int dy) {
    for (RECT& r : rects_) OffsetRect(&r, dx, dy);
}

bool Region::operator==(const Region& other) const {
    if (rects_.size() != other.rects_.size()) return false;
    for (size_t i = 0; i < rects_.size(); ++i) {
        if (!EqualRect(&rects_[i], &other.rects_[i])) return false;
    }
    return true;
}

namespace {

HRGN MakeRegion(Region region) {
    auto* object = new RegionObject;
    object->region = std::move(region);
    RegisterGdiObject(object);
    return object;
}

HRGN Checked(HRGN region) { return IsGdiObject(region) ? region : nullptr; }

int Complexity(const Region& region) {
    if (region.IsEmpty()) return NULLREGION;
    return region.Rects().size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    // GDI orders the corners itself.
    RECT rc{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
    return MakeRegion(Region(rc));
}

HRGN CreateRectRgnIndirect(const RECT* rc) {
    if (rc == nullptr) return nullptr;
    return CreateRectRgn(rc->left, rc->top, rc->right, rc->bottom);
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
    RECT rc{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
    return MakeRegion(Region::RoundRect(rc, ellipseWidth, ellipseHeight));
}

int CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode) {
    destination = Checked(destination);
    source1 = Checked(source1);
    if (destination == nullptr || source1 == nullptr) return RGN_ERROR;
    if (mode == RGN_COPY) {
        destination->region = source1->region;
        return Complexity(destination->region);
    }
    source2 = Checked(source2);
    if (source2 == nullptr) return RGN_ERROR;
    Region::Op op;
    switch (mode) {
        case RGN_AND: op = Region::Op::And; break;
        case RGN_OR: op = Region::Op::Or; break;
        case RGN_XOR: op = Region::Op::Xor; break;
        case RGN_DIFF: op = Region::Op::Diff; break;
        default: return RGN_ERROR;
    }
    destination->region = Region::Combine(source1->region, source2->region, op);
    return Complexity(destination->region);
}

BOOL PtInRegion(HRGN region, int x, int y) {
    region = Checked(region);
    return region != nullptr && region->region.Contains(POINT{x, y});
}

int GetRgnBox(HRGN region, RECT* box) {
    region = Checked(region);
    if (region == nullptr || box == nullptr) return RGN_ERROR;
    *box = region->region.Bounds();
    return Complexity(region->region);
}

int OffsetRgn(HRGN region, int dx, int dy) {
    region = Checked(region);
    if (region == nullptr) return RGN_ERROR;
    region->region.Offset(dx, dy);
    return Complexity(region->region);
}

BOOL EqualRgn(HRGN a, HRGN b) {
    a = Checked(a);
    b = Checked(b);
    return a != nullptr && b != nullptr && a->region == b->region;
}

BOOL RectInRegion(HRGN region, const RECT* rc) {
    region = Checked(region);
    return region != nullptr && rc != nullptr && region->region.Intersects(*rc);
}
