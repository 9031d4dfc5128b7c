#pragma once
// Quadratic easing: a positive step count accelerates away from the start
// (ease-in), a negative one decelerates into the end (ease-out).
#include "surface/Tween.h"

class CQuadTween : public CTween {
public:
    CQuadTween() : m_Factor(0), m_Origin(0), m_Reversed(0) {}

    void Init(int32_t start, int32_t end, int32_t steps) override;
    int32_t ValueAt(int32_t step) const override;

private:
    double m_Factor;
    int32_t m_Origin;
    uint8_t m_Reversed;
};
