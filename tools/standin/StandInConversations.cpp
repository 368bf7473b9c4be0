// The stand-in's conversations: starting one between two players, kept as a
// forum thread outside every topic.
#include "tools/standin/StandInConversations.h"

#include "tools/standin/StandInForums.h"
#include "tools/standin/StandInPlayers.h"
#include "tools/standin/StandInXml.h"

#include <algorithm>

namespace standin {

using xml::element;

std::string conversations::subject(int64_t a, int64_t b)
{
    return std::to_string(std::min(a, b)) + "-" + std::to_string(std::max(a, b));
}

Answer conversations::start(Store& s, const LoggedRequest& r, int64_t user)
{
    // Topic 0, the two players' ids as subject.
    auto other = number(r.param("discussion[other_user_id]"));
    if (!other || *other == user || !players::name(s, *other))
        return xml::error(404, "No such player");
    std::string subject = conversations::subject(user, *other);
    int64_t id = 0;
    {
        Statement q(s.db, "SELECT id FROM discussions WHERE topic_id = 0 AND subject = ?");
        q.bind(1, subject);
        if (q.step())
            id = q.integer(0);
    }
    if (!id) {
        Statement q(s.db, "INSERT INTO discussions (topic_id, subject, user_id, updated_at) VALUES (0, ?, ?, ?)");
        id = q.bind(1, subject).bind(2, user).bind(3, now()).insert();
        if (!id)
            return xml::error(500, "The conversation could not be kept");
    }
    // Both players find it in their inboxes.
    for (int64_t player : { user, *other }) {
        Statement in(s.db, "INSERT OR IGNORE INTO subscriptions (user_id, discussion_id) VALUES (?, ?)");
        in.bind(1, player).bind(2, id).run();
    }
    Statement q(s.db, "SELECT updated_at, (SELECT COUNT(*) FROM posts WHERE discussion_id = ?1) FROM discussions WHERE id = ?1");
    q.bind(1, id);
    q.step();
    return Answer::xml("<conversation><id>" + std::to_string(id) + "</id><subject></subject>"
                       + element("updated_at", forums::date(q.text(0))) + element("posts_count", std::to_string(q.integer(1)))
                       + players::userElement(s, user, user) + players::userElement(s, *other, user, "other_user")
                       + "</conversation>");
}

} // namespace standin
