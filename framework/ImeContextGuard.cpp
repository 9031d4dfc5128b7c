#include "framework/ImeContextGuard.h"

CImeContextGuard::CImeContextGuard(HWND hWnd) : m_hWnd(hWnd), m_Saved(NULL)
{
    m_Saved = ImmAssociateContext(m_hWnd, NULL);
}

void CImeContextGuard::Restore()
{
    if (m_Saved) {
        ImmAssociateContext(m_hWnd, m_Saved);
        m_Saved = NULL;
    }
}

void CImeContextGuard::Disable()
{
    if (!m_Saved)
        m_Saved = ImmAssociateContext(m_hWnd, NULL);
}
