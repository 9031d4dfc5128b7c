#include "surface/QuadTween.h"

void CQuadTween::Init(int32_t start, int32_t end, int32_t steps)
{
    m_Start = start;
    m_End = end;
    const double d = double(end) - double(start);
    if (steps > 0) {
        m_Origin = start;
        m_Reversed = 0;
        m_Steps = steps;
        m_Factor = d / (double(steps) * steps);
    } else if (steps < 0) {
        m_Origin = end;
        m_Reversed = 1;
        m_Steps = Magnitude(steps);
        m_Factor = -d / (double(m_Steps) * m_Steps);
    } else {
        m_Origin = start;
        m_Reversed = 0;
        m_Steps = 1;
        m_Factor = d;
    }
    SetStep(0);
}

int32_t CQuadTween::ValueAt(int32_t step) const
{
    const double a = m_Reversed ? double(m_Steps) - step : double(step);
    return int32_t(a * a * m_Factor + m_Origin);
}
