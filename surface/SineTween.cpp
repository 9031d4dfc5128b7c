#include "surface/SineTween.h"

#include <cmath>

void CSineTween::Init(int32_t start, int32_t end, int32_t steps)
{
    m_Start = start;
    m_End = end;
    m_Reversed = steps < 0;
    m_Steps = steps == 0 ? 1 : Magnitude(steps);
    SetStep(0);
}

int32_t CSineTween::ValueAt(int32_t step) const
{
    const long double radiansPerDegree = 0.017453292519943295;
    const long double a = m_Reversed ? (long double)m_Steps - step : (long double)step;
    const long double x = std::sin(a * 90 / m_Steps * radiansPerDegree);
    if (m_Reversed)
        return int32_t(x * ((long double)m_Start - m_End) + m_End);
    return int32_t(x * ((long double)m_End - m_Start) + m_Start);
}
