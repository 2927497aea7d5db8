#include "design/arithmetic.h"

#include "design/faults.h"

#include <cfenv>

namespace tarvo {

void clearArithmeticFlags() {
    std::feclearexcept(FE_ALL_EXCEPT);
}

void checkArithmeticFlags() {
    const int raised = std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW);
    if ((raised & FE_DIVBYZERO) != 0) {
        throw ArithmeticFault(FaultKind::DivisionByZero);
    }
    if ((raised & FE_INVALID) != 0) {
        throw ArithmeticFault(FaultKind::InvalidOperation);
    }
    if ((raised & FE_OVERFLOW) != 0) {
        throw ArithmeticFault(FaultKind::Overflow);
    }
}

} // namespace tarvo
