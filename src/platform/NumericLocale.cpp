#include "platform/NumericLocale.h"

#include <clocale>

namespace sablewick {

void useCNumericLocale()
{
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace sablewick
