#pragma once

#include <new>

class function_callback {
public:
    virtual void Call() = 0;
    virtual ~function_callback() {}
    // Rebinds the object a bound callback acts on; plain functions report it.
    virtual void inner_bind(void* object);
};

// A plain function.
class function_callback_func : public function_callback {
public:
    typedef void (*Function)();
    explicit function_callback_func(Function function) : m_Function(function) {}
    void Call() override
    {
        if (m_Function)
            m_Function();
    }

private:
    Function m_Function;
};

// A function taking the bound object.
template <class T>
class function_callback_obj : public function_callback {
public:
    typedef void (*Function)(T*);
    function_callback_obj(T* object, Function function) : m_Object(object), m_Function(function) {}
    void Call() override
    {
        if (m_Function)
            m_Function(m_Object);
    }
    void inner_bind(void* object) override { m_Object = static_cast<T*>(object); }

private:
    T* m_Object;
    Function m_Function;
};

// A member function called on the bound object.
template <class T>
class function_callback_member : public function_callback {
public:
    typedef void (T::*Function)();
    function_callback_member(T* object, Function function) : m_Object(object), m_Function(function) {}
    void Call() override
    {
        if (m_Object && m_Function)
            (m_Object->*m_Function)();
    }
    void inner_bind(void* object) override { m_Object = static_cast<T*>(object); }

private:
    T* m_Object;
    Function m_Function;
};

// Factories: heap objects, null when allocation fails.
inline function_callback* make_callback(void (*function)())
{
    return new (std::nothrow) function_callback_func(function);
}
template <class T>
function_callback* make_callback(T* object, void (*function)(T*))
{
    return new (std::nothrow) function_callback_obj<T>(object, function);
}
template <class T>
function_callback* make_callback(T* object, void (T::*function)())
{
    return new (std::nothrow) function_callback_member<T>(object, function);
}
