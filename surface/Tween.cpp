#include "surface/Tween.h"

void CTween::Init(int32_t start, int32_t end, int32_t steps)
{
    m_Start = start;
    m_End = end;
    m_Steps = steps == 0 ? 1 : steps;
    SetStep(0);
}

void CTween::Next()
{
    if (m_Step < m_Steps) {
        ++m_Step;
        Update();
    }
}

void CTween::Prev()
{
    if (m_Step > 0) {
        --m_Step;
        Update();
    }
}

void CTween::SetStep(int32_t n)
{
    m_Step = Magnitude(n);
    Update();
}

void CTween::Update()
{
    if (m_Step > m_Steps)
        m_Step = m_Steps;
    if (m_Step < 0)
        m_Step = 0;
    if (m_Step == 0)
        m_Value = m_Start;
    else if (m_Step == m_Steps)
        m_Value = m_End;
    else
        m_Value = ValueAt(m_Step);
}
