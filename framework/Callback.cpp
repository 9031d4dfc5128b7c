#include "framework/Callback.h"

#include "framework/DebugPrint.h"

void function_callback::inner_bind(void*)
{
    DebugPrint("function_callback::inner_bind() グローバルな関数に対してbindは行えない");
}
