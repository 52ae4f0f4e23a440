#pragma once

#include "profile/ProfileSchema.h"
#include "session/ConverterSession.h"

#include <QString>

// The queries that read a converter's settings back, as session requests: the codec's own
// request, its check of a complete reply and its decoder.
namespace ProfileQueries {

SessionRequest request(const ProfileSchema::Query& query);

} // namespace ProfileQueries
