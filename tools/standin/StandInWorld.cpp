// The gallery's and the showcase's community: who is who, who plays what and
// with whom, and the pictures of its games and banners.
#include "tools/standin/StandInWorld.h"

#include "platform/graphics/Font.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"
#include "platform/ui/Drawing.h"
#include "platform/ui/Label.h"
#include "platform/ui/Renderer.h"
#include "tools/standin/StandInServer.h"
#include "tools/standin/StandInState.h"

#include <functional>
#include <initializer_list>
#include <iterator>
#include <map>
#include <utility>

namespace standin::world {

using platform::GraphicsContext;
using platform::Rect;

namespace {
std::string portrait(int which);
} // namespace

Community seed(StandInState& state, int64_t player, bool rivalIsFriend)
{
    Community c;
    c.player = player;
    c.rival = StandInState::kRivalUser;
    for (const char* name : kPlayerNames)
        c.others.push_back(state.addUser(name));
    const int64_t mira = c.others[0], jun = c.others[1], sofia = c.others[2], theo = c.others[3], amara = c.others[4];

    // Pictures: Rival, Mira, Sofia and Amara chose one of their own; Jun, Theo and the player none.
    int which = 0;
    for (int64_t id : { c.rival, mira, sofia, amara })
        state.setProfilePicture(id, portrait(which++));

    // Scores: a bare number on Normal, minutes and seconds on Fastest Lap (as
    // Rival's seeded lap reads), each player's best also posted from a place
    // around a city a little apart (the high-score map's pins).
    double offset = 0.03;
    int64_t normal = 18200, lap = 71;
    for (int64_t id : c.others) {
        state.addScore(id, StandInState::kNormalLeaderboard, normal);
        state.addScoreFrom(id, StandInState::kNormalLeaderboard, normal - 100, kLatitude + offset, kLongitude - 1.5 * offset);
        offset = -offset * 1.4;
        std::string seconds = std::to_string(lap % 60);
        state.addScore(id, StandInState::kFastestLapLeaderboard, lap,
                       std::to_string(lap / 60) + ":" + (seconds.size() < 2 ? "0" : "") + seconds);
        normal -= 2350;
        lap += 3;
    }
    // Rival's best on Normal stands among the others' (the seeded 900 stays an older score).
    // The player's own scores are the program's to send.
    state.addScore(c.rival, StandInState::kNormalLeaderboard, 16400);

    // Friends: the player's, and some among the others, so their profiles have friends too.
    for (int64_t id : { mira, jun, sofia })
        state.addFriends(player, id);
    if (rivalIsFriend)
        state.addFriends(player, c.rival);
    state.addFriends(mira, jun);
    state.addFriends(c.rival, mira);
    state.addFriends(theo, amara);

    // Games: the running one and Puzzle Park are the service's own; two more.
    state.addGame(kCaveDiver, "Cave Diver", "Dive into caves full of treasure.");
    state.addGame(kRocketRun, "Rocket Run", "Fly a rocket through a storm of stars.");
    state.addGamePlayer(player, kCaveDiver, false);
    state.addGamePlayer(mira, kCaveDiver, true, "Beautiful caves");
    state.addGamePlayer(jun, kCaveDiver, false);
    state.addGamePlayer(jun, kRocketRun, true, "Fast and loud");
    state.addGamePlayer(sofia, "322", true, "Calm puzzles");
    state.addGamePlayer(theo, kRocketRun, false);

    // Achievements of the running game: what who's playing and the profiles count.
    state.addUnlock(mira, StandInState::kFirstStepsAchievement);
    state.addUnlock(mira, StandInState::kCollectorAchievement);
    state.addUnlock(jun, StandInState::kFirstStepsAchievement);
    state.addUnlock(sofia, StandInState::kCollectorAchievement);
    state.addUnlock(c.rival, StandInState::kFirstStepsAchievement);

    // Two open challenges to the player (definitions 52 "High Score" and 51 "Fastest Lap").
    state.addChallenge(mira, 52, "Beat 18200 on Normal", "Bet you can't beat this!", player);
    state.addChallenge(jun, 51, "Lap under 1:15", "Your turn.", player);

    // The forums: two threads in General, the first starred by the player, who wrote in it.
    int64_t tips = state.addThread(StandInState::kGeneralTopic, "Tips for the third level",
                                   { { mira, "Anyone found the hidden door on level three?" },
                                     { jun, "Jump twice at the second torch." },
                                     { player, "Thanks, that worked!" } });
    state.addThread(StandInState::kGeneralTopic, "Weekly tournament",
                    { { sofia, "Who is in for Saturday?" }, { theo, "Count me in." } });
    state.addSubscription(player, tips);

    // A conversation with Rival whose last message the player has not read yet.
    c.conversation = state.addConversation(player, c.rival,
                                           { { c.rival, "Good race yesterday!" },
                                             { player, "Thanks! Rematch tonight?" },
                                             { c.rival, "You're on. Bring your best lap." } });
    state.addInvite(mira, player, "Race me on the new hills!");
    state.addChatMessage(kChatRoom, jun, "Anyone up for a lap race?");
    state.addChatMessage(kChatRoom, mira, "Always. See you at the start line.");
    state.addChatMessage(kChatRoom, c.rival, "Good game, everyone!");
    return c;
}

std::vector<int64_t> seedCrowd(StandInState& state, const Community& community)
{
    static const char* const first[] = { "Ava", "Ben", "Cleo", "Dara", "Eli", "Finn", "Gia", "Hugo", "Ines", "Jonah" };
    static const char* const last[] = { "Park", "Reyes", "Stone" };
    std::vector<int64_t> crowd;
    for (const char* surname : last)
        for (const char* name : first) {
            const int64_t id = state.addUser(std::string(name) + " " + surname);
            state.addFriends(community.player, id);
            if (crowd.size() % 2 == 0)
                state.setProfilePicture(id, portrait(static_cast<int>(crowd.size() / 2)));
            crowd.push_back(id);
        }
    return crowd;
}

namespace {

constexpr float kPi = 3.14159265f;
// Games' icons are drawn at the larger size a screen shows them; smaller ones scale down.
constexpr int kIconSize = 114;

struct Rgb {
    float r, g, b;
};

void disc(GraphicsContext& g, float x, float y, float radius)
{
    g.beginPath();
    g.addArc(x, y, radius, 0, 2 * kPi, false);
    g.fillPath();
}

void polygon(GraphicsContext& g, std::initializer_list<std::pair<float, float>> points)
{
    g.beginPath();
    bool first = true;
    for (auto [x, y] : points) {
        if (first)
            g.moveTo(x, y);
        else
            g.lineTo(x, y);
        first = false;
    }
    g.closePath();
    g.fillPath();
}

// A game's icon: a rounded tile shading from `top` to `bottom` with the game's sign on it, in
// a 100-point square scaled to the icon.
platform::Ref<platform::Image> icon(Rgb top, Rgb bottom, const std::function<void(GraphicsContext&)>& sign)
{
    auto g = GraphicsContext::create(kIconSize, kIconSize, GraphicsContext::Format::RGBA);
    if (!g)
        return nullptr;
    const Rect tile(0, 0, kIconSize, kIconSize);
    g->save();
    platform::ui::draw::roundedRectPath(*g, tile, 18);
    g->clip();
    g->drawLinearGradient({ 0, 0 }, { 0, static_cast<float>(kIconSize) },
                          { { 0, top.r, top.g, top.b, 1 }, { 1, bottom.r, bottom.g, bottom.b, 1 } });
    g->scale(kIconSize / 100.f, kIconSize / 100.f);
    sign(*g);
    g->restore();
    return g->makeImage();
}

// Brisko: a kestrel in flight, white on sunset orange.
void kestrel(GraphicsContext& g)
{
    g.setFillColor(1, 1, 1, 1);
    polygon(g, { { 12, 44 }, { 50, 56 }, { 88, 44 }, { 62, 64 }, { 56, 82 }, { 50, 74 }, { 44, 82 }, { 38, 64 } });
    disc(g, 50, 52, 8);
    g.setFillColor(0.98f, 0.78f, 0.25f, 1);
    polygon(g, { { 46, 44 }, { 54, 44 }, { 50, 36 } });
}

// Puzzle Park: a jigsaw piece under a round tree.
void puzzle(GraphicsContext& g)
{
    g.setFillColor(1, 1, 1, 1);
    g.fillRect(Rect(26, 40, 40, 40));
    disc(g, 46, 38, 9);
    disc(g, 68, 60, 9);
    g.setFillColor(0.16f, 0.45f, 0.2f, 1);
    disc(g, 24, 60, 9);
    g.setFillColor(1, 0.86f, 0.3f, 1);
    disc(g, 76, 24, 8);
}

// Cave Diver: a cave's mouth with a diver's lamp shining in it.
void cave(GraphicsContext& g)
{
    g.setFillColor(0.04f, 0.1f, 0.14f, 1);
    g.beginPath();
    g.moveTo(14, 92);
    g.addArc(50, 62, 36, kPi, 2 * kPi, false);
    g.lineTo(86, 92);
    g.closePath();
    g.fillPath();
    g.setFillColor(1, 0.88f, 0.35f, 0.35f);
    polygon(g, { { 50, 54 }, { 30, 92 }, { 70, 92 } });
    g.setFillColor(1, 0.92f, 0.45f, 1);
    disc(g, 50, 54, 9);
}

// Rocket Run: a white rocket with an orange flame among stars.
void rocket(GraphicsContext& g)
{
    g.setFillColor(1, 0.62f, 0.15f, 1);
    polygon(g, { { 42, 70 }, { 58, 70 }, { 50, 92 } });
    g.setFillColor(1, 1, 1, 1);
    polygon(g, { { 50, 10 }, { 62, 30 }, { 62, 72 }, { 38, 72 }, { 38, 30 } });
    polygon(g, { { 38, 50 }, { 26, 72 }, { 38, 72 } });
    polygon(g, { { 62, 50 }, { 74, 72 }, { 62, 72 } });
    g.setFillColor(0.3f, 0.2f, 0.55f, 1);
    disc(g, 50, 38, 6);
    g.setFillColor(1, 1, 0.85f, 1);
    disc(g, 20, 22, 2.5f);
    disc(g, 80, 30, 2);
    disc(g, 78, 84, 2.5f);
}

// A player's picture, `which` choosing its colours: head and shoulders in a light tone over a
// ground shading from one colour to another, as a JPEG a player would upload, at the size of the
// default picture it stands in for (screens that do not scale it show it whole). Drawn once each.
std::string portrait(int which)
{
    struct Colours {
        Rgb top, bottom, shirt;
    };
    static const Colours kColours[] = {
        { { 0.95f, 0.55f, 0.35f }, { 0.7f, 0.25f, 0.2f }, { 0.2f, 0.3f, 0.55f } },
        { { 0.45f, 0.75f, 0.85f }, { 0.15f, 0.4f, 0.6f }, { 0.85f, 0.35f, 0.3f } },
        { { 0.6f, 0.8f, 0.45f }, { 0.25f, 0.5f, 0.25f }, { 0.95f, 0.8f, 0.3f } },
        { { 0.8f, 0.6f, 0.9f }, { 0.45f, 0.25f, 0.6f }, { 0.15f, 0.55f, 0.5f } },
        { { 0.98f, 0.8f, 0.4f }, { 0.8f, 0.5f, 0.15f }, { 0.35f, 0.25f, 0.5f } },
    };
    constexpr int kPortraitSize = 48;
    static std::map<int, std::string> drawn;
    const int index = which % static_cast<int>(std::size(kColours));
    if (auto found = drawn.find(index); found != drawn.end())
        return found->second;
    const Colours& c = kColours[index];
    auto g = GraphicsContext::create(kPortraitSize, kPortraitSize, GraphicsContext::Format::RGBA);
    if (!g)
        return {};
    g->drawLinearGradient({ 0, 0 }, { 0, static_cast<float>(kPortraitSize) },
                          { { 0, c.top.r, c.top.g, c.top.b, 1 }, { 1, c.bottom.r, c.bottom.g, c.bottom.b, 1 } });
    g->scale(kPortraitSize / 100.f, kPortraitSize / 100.f);
    // Shoulders: the top of an ellipse standing on the bottom edge.
    g->setFillColor(c.shirt.r, c.shirt.g, c.shirt.b, 1);
    g->save();
    g->translate(50, 104);
    g->scale(1, 0.75f);
    disc(*g, 0, 0, 40);
    g->restore();
    g->setFillColor(0.98f, 0.9f, 0.82f, 1);
    disc(*g, 50, 40, 19);
    auto image = g->makeImage();
    auto bytes = image ? image->jpegData(0.9f) : std::nullopt;
    return drawn[index] = bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

Answer png(const platform::Image* image)
{
    Answer answer;
    if (auto bytes = image ? image->pngData() : std::nullopt)
        answer.body.assign(bytes->begin(), bytes->end());
    answer.contentType = "image/png";
    return answer;
}

} // namespace

bool installArt(StandInServer& server)
{
    struct GameArt {
        const char* id;
        Rgb top, bottom;
        void (*sign)(GraphicsContext&);
    };
    const GameArt games[] = {
        { "321", { 0.98f, 0.55f, 0.2f }, { 0.78f, 0.22f, 0.16f }, kestrel },
        { "322", { 0.45f, 0.78f, 0.35f }, { 0.18f, 0.52f, 0.24f }, puzzle },
        { kCaveDiver, { 0.16f, 0.58f, 0.66f }, { 0.05f, 0.3f, 0.4f }, cave },
        { kRocketRun, { 0.42f, 0.3f, 0.75f }, { 0.18f, 0.12f, 0.42f }, rocket },
    };
    bool ok = true;
    for (const GameArt& game : games) {
        auto image = icon(game.top, game.bottom, game.sign);
        ok &= static_cast<bool>(image);
        server.route("GET", std::string("icons/") + game.id + ".png", png(image.get()));
    }
    // The featured banners the game page cycles through, as a studio would upload them.
    const std::pair<const char*, const char*> featured[] = {
        { "featured-1.png", "Cave Diver: new caves this week" },
        { "featured-2.png", "Puzzle Park: a new season" },
    };
    for (const auto& [name, text] : featured) {
        platform::Ref<platform::ui::Label> art = platform::ui::Label::labelWithFrame(Rect(0, 0, 320, 42));
        art->setText(text);
        art->setFont(platform::Font::boldSystemFont(16).get());
        art->setTextColor(platform::ui::Color::whiteColor());
        art->setBackgroundColor(platform::ui::Color::rgb(0.1f, 0.3f, 0.55f));
        art->setTextAlignment(platform::TextAlignment::Center);
        auto image = platform::ui::ViewRenderer::render(art.get());
        ok &= static_cast<bool>(image);
        server.route("GET", std::string("banners/") + name, png(image.get()));
    }
    return ok;
}

} // namespace standin::world
