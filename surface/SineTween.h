#pragma once
// Quarter-sine easing from the start to the end; a negative step count runs
// the quarter wave backwards.
#include "surface/Tween.h"

class CSineTween : public CTween {
public:
    CSineTween() : m_Reversed(0) {}

    void Init(int32_t start, int32_t end, int32_t steps) override;
    int32_t ValueAt(int32_t step) const override;

private:
    uint8_t m_Reversed;
};
