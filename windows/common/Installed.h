#pragma once
// One replaceable service of the windows (the prompts, the desktop): the real
// one made on first use, a test's stand-in installed in its place.
#include <memory>
#include <utility>

namespace common {

template <typename Service, typename Real>
class Installed {
public:
    Service& Current() {
        if (!mInstalled) mInstalled = std::make_shared<Real>();
        return *mInstalled;
    }
    // Installs `next` (null: the real one again on next use); returns what was installed.
    std::shared_ptr<Service> Replace(std::shared_ptr<Service> next) {
        return std::exchange(mInstalled, std::move(next));
    }

private:
    std::shared_ptr<Service> mInstalled;
};

}  // namespace common
