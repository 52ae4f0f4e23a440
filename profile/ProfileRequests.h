#pragma once

#include "profile/Profile.h"
#include "profile/ProfileSchema.h"
#include "tools/BuiltRequest.h"

#include <vector>

// The set requests that write a profile, built by the codecs from the profile's values.
namespace ProfileRequests {

// The settings one set request carries, in the order they are written: the schema's
// order, one group per "Set" button and device slot, the two port speeds last.
std::vector<std::vector<const ProfileSchema::Setting*>> writeGroups(const Profile& profile);

// The request that writes one group's values; a refusal names what the profile lacks or
// the field a codec refuses.
BuiltRequest setRequest(const std::vector<const ProfileSchema::Setting*>& group, const Profile& profile);

} // namespace ProfileRequests
