// Forward declarations of the foundation layer, so headers can name its types cheaply.
#pragma once

namespace platform {
class Object;
template <typename T> class Ref;
template <typename T> class Weak;
class Exception;
class AssertionFailure;
class Value;
class RunLoop;
class Clock;
class ManualClock;
class Timer;
class NotificationCenter;
class UserDefaults;
class Bundle;
struct Point;
struct Size;
struct Rect;
struct AffineTransform;
} // namespace platform
