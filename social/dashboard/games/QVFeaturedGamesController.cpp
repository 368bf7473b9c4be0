// The featured games page: its parameters.
#include "social/dashboard/games/QVFeaturedGamesController.h"

#include "social/core/QuorvelInternal.h"

namespace quorvel {

QV_REGISTER_CLASS(QVFeaturedGamesController);

OAuthURLRequest::Parameters QVFeaturedGamesController::getParameters()
{
    return { OAuthURLRequestParameter::parameterWithName("client_application_id", QuorvelInternal::sessionRole().clientApplicationId()) };
}

} // namespace quorvel
