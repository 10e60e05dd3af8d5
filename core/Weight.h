// Hit-test weights: which element a point hits when several answer.
#pragma once

#include "core/foundation/Geometry.h"

#include <cstdint>

namespace Core {

class IModelElement;
class IView;

// The hit weight of an element at a point: a kind and a bias (0 at first), and what the kind
// compares by. The default weight is Invisible, below every other.
class Weight {
public:
    enum class Kind { Invisible, Area, Line, Point, Text, Control };

    Weight() = default;
    // An Area weight: the point, a tolerance and the rectangle (y up).
    static Weight MakeArea(const zq::Point& point, int32_t tolerance, const zq::Rect& rect);
    // A Line weight: the point near the segment a-b.
    static Weight MakeLine(const zq::Point& point, int32_t tolerance, const zq::float8Point& a, const zq::float8Point& b);
    // A Point weight: the point near p.
    static Weight MakePoint(const zq::Point& point, int32_t tolerance, const zq::float8Point& p);
    // A Text weight (text being edited or pointed at inside the rectangle).
    static Weight MakeText(const zq::Point& point, const zq::Rect& rect);
    // A Control weight: a handle at the position.
    static Weight MakeControl(const zq::Point& point, const zq::float8Point& handle);

    Kind GetKind() const { return kind_; }
    int GetBias() const { return bias_; }
    // Adds the other weight's bias to this one's (nothing for an Invisible weight).
    void AddBias(const Weight& other);
    // Adds 1 to the bias when the element is selected in the view (nothing for an Invisible weight).
    void PromoteIfSelected(const IView& view, const IModelElement& element);
    // Whether the point lies on a Line or Point target within its tolerance (Area: in the grown
    // rectangle; Text and Control: always; Invisible: never).
    bool IsOn() const;
    // Squared distance from the point to the target.
    double SquaredDistance() const;

    // a is neither equal to b nor lower than b.
    friend bool operator>(const Weight& a, const Weight& b);
    // Neither is lower than the other.
    friend bool Equivalent(const Weight& a, const Weight& b);
    // Whether a is lower than b.
    static bool IsLower(const Weight& a, const Weight& b);

private:
    Kind kind_ = Kind::Invisible;
    int bias_ = 0;
    zq::Point point_;
    int32_t tolerance_ = 0;
    zq::Rect rect_;               // Area, Text
    zq::float8Point a_, b_;       // Line: the segment; Point and Control: a_
};

// The container an element lies in, chosen among candidates offered one by one: the highest weight
// wins; among equal weights the element's present container keeps it, else the first offered. So
// an element stays with the container it came with (pasted or dropped together) when another one of
// the same size covers it too.
template <class T>
class ContainerChoice {
public:
    // present: the element's container now, or none.
    explicit ContainerChoice(const T* present) : present_(present) {}
    void Offer(T* candidate, const Weight& weight)
    {
        if (best_ == nullptr || weight > weight_ || (candidate == present_ && !(weight_ > weight))) {
            best_ = candidate;
            weight_ = weight;
        }
    }
    // The winner, or none when nothing was offered.
    T* Get() const { return best_; }

private:
    const T* present_;
    T* best_ = nullptr;
    Weight weight_;
};

} // namespace Core
