// Quorvel, the social client, in one include: the central class a game starts,
// shuts down and opens the dashboard through, the delegates it implements, the
// callback values, scores, leaderboards and achievements, and the call that
// links the dashboard's screens into the program.
#pragma once

#include "social/core/Quorvel.h"
#include "social/core/QuorvelDelegate.h"
#include "social/dashboard/QVDashboardClasses.h"
#include "social/runtime/QVDelegate.h"
#include "social/services/QVAchievement.h"
#include "social/services/QVAchievementService.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVLeaderboard.h"
#include "social/services/QVLeaderboardService.h"
