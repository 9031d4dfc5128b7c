#pragma once
// A counter from step 0 to a step count whose value runs from a start to an
// end; CTween's value is the step itself between the two ends.
#include <cstdint>

class CTween {
public:
    CTween() : m_Start(0), m_End(0), m_Step(0), m_Steps(1), m_Value(0) {}
    virtual ~CTween() {}

    // Sets up the curve (a step count of 0 becomes 1), then step 0.
    virtual void Init(int32_t start, int32_t end, int32_t steps);
    virtual int32_t GetValue() const { return m_Value; }
    virtual void Next();
    virtual void Prev();
    // Step = |n|, limited to the step count.
    virtual void SetStep(int32_t n);
    virtual int32_t GetStep() const { return m_Step; }
    virtual bool IsStart() const { return m_Step == 0; }
    virtual bool IsEnd() const { return m_Step == m_Steps; }
    virtual int32_t GetStart() const { return m_Start; }
    virtual int32_t GetEnd() const { return m_End; }
    virtual int32_t GetSteps() const { return m_Steps; }
    // The curve between the ends (0 < step < step count).
    virtual int32_t ValueAt(int32_t step) const { return step; }

protected:
    // Clamps the step, then start at 0, end at the last step, ValueAt between.
    void Update();
    // |n| without overflow (the most negative number gives the largest).
    static int32_t Magnitude(int32_t n) { return n >= 0 ? n : n == INT32_MIN ? INT32_MAX : -n; }

    int32_t m_Start;
    int32_t m_End;
    int32_t m_Step;
    int32_t m_Steps;
    int32_t m_Value;
};
