#include "platform/KeyboardLayout.h"

#include "platform/VkTable.h"

namespace corv
{

char32_t KeyboardLayout::usCharacter(int vk, bool shift)
{
    return VkTable::usCharacter(vk, shift);
}

} // namespace corv
