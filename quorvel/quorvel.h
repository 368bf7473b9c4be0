// Quorvel, the social client, in one include: the central class a game starts,
// shuts down and opens the dashboard through, the delegates it implements, the
// callback values, scores, leaderboards and achievements. (Linking
// Brisko::quorvel keeps every dashboard screen in the program.)
#pragma once

#include "social/core/Quorvel.h"
#include "social/core/QuorvelDelegate.h"
#include "social/runtime/QVDelegate.h"
#include "social/services/QVAchievement.h"
#include "social/services/QVAchievementService.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVLeaderboard.h"
#include "social/services/QVLeaderboardService.h"
