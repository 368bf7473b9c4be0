// Shared fixtures of the director tests.
#include "DirectorTestSupport.h"

#include "engine/platform/KSTouchDispatcher.h"
#include "platform/device/Accelerometer.h"
#include "platform/device/Application.h"
#include "platform/device/Device.h"
#include "platform/device/Screen.h"

#include <cstdlib>
#include <filesystem>

using namespace kestrel;

namespace director_test {

Ref<RecordingScene> RecordingScene::make(std::string name, std::vector<std::string>* journal)
{
    auto s = platform::adoptRef(new RecordingScene);
    s->init();
    s->name = std::move(name);
    s->journal_ = journal;
    return s;
}

void RecordingScene::onEnter()
{
    journal_->push_back(name + ":enter");
    KSScene::onEnter();
    if (whenEntered)
        whenEntered();
}

void RecordingScene::onEnterTransitionDidFinish()
{
    journal_->push_back(name + ":didFinish");
    KSScene::onEnterTransitionDidFinish();
    if (whenFinished)
        whenFinished();
}

void RecordingScene::onExit()
{
    journal_->push_back(name + ":exit");
    if (whenExiting)
        whenExiting();
    KSScene::onExit();
}

void RecordingScene::cleanup()
{
    journal_->push_back(name + ":cleanup");
    if (whenCleaned)
        whenCleaned();
    KSScene::cleanup();
}

void RecordingScene::visit()
{
    journal_->push_back(name + ":visit");
    if (whenVisited)
        whenVisited();
    KSScene::visit();
}

void DirectorTest::SetUp()
{
    GLTest::SetUp();
    platform::ui::Device::currentDevice().setSystemVersion("4.2");
    platform::ui::Screen::mainScreen().setScale(1);
    platform::ui::Application::sharedApplication().reset();
}

void DirectorTest::TearDown()
{
    KSDirector::purgeSharedDirector();
    KSTouchDispatcher::purgeSharedDispatcher();
    platform::ui::Accelerometer::sharedAccelerometer().reset();
    platform::ui::Screen::mainScreen().setScale(1);
    platform::ui::Application::sharedApplication().reset();
    platform::ui::Device::currentDevice().setSystemVersion("4.2");
    context()->makeCurrent();
    GLTest::TearDown();
}

KSDirectorIOS* DirectorTest::director(int type)
{
    KSDirector::setDirectorType(type);
    return static_cast<KSDirectorIOS*>(KSDirector::sharedDirector());
}

Ref<EAGLView> DirectorTest::makeView(float width, float height, const std::string& format, GLuint depth)
{
    auto view = EAGLView::viewWithFrame({ 0, 0, width, height }, format, depth, false, context(), false, 0);
    EXPECT_TRUE(view);
    return view;
}

KSDirectorIOS* DirectorTest::directorWithView(int type, float width, float height)
{
    KSDirectorIOS* d = director(type);
    auto view = makeView(width, height);
    d->setOpenGLView(view.get());
    return d;
}

void DirectorTest::installFPSImages()
{
    const char* source = std::getenv("BRISKO_SOURCE_DIR");
    ASSERT_TRUE(source) << "BRISKO_SOURCE_DIR is not set";
    std::filesystem::copy_file(std::string(source) + "/resources/fps_images.png", dir.file("fps_images.png"),
                               std::filesystem::copy_options::overwrite_existing);
}

int DirectorTest::runUntilRunning(kestrel::KSScene* scene, int limit)
{
    for (int i = 1; i <= limit; ++i) {
        advance(1.0 / 60);
        if (kestrel::KSDirector::sharedDirector()->runningScene() == scene)
            return i;
    }
    return -1;
}

} // namespace director_test
