#pragma once

#include <memory>
#include <set>
#include <string>

#include "detect/InstalledVeskTracker.h"
#include "diag/Logger.h"

// The products of tracker A and then those of tracker B, each product code once. A member
// is made when its turn comes and destroyed as soon as it has no more, so at most one
// member exists at a time.
template <class A, class B>
class GroupTracker : public InstalledVeskTracker {
public:
    static inline const std::string name =
        "GroupTracker<" + std::string(A::name) + "," + std::string(B::name) + ">";

    const TrackedProduct* next() override {
        while (position_ != Position::done) {
            if (!member_) {
                member_ = position_ == Position::first
                              ? std::unique_ptr<InstalledVeskTracker>(std::make_unique<A>())
                              : std::unique_ptr<InstalledVeskTracker>(std::make_unique<B>());
            }
            const TrackedProduct* product = member_->next();
            if (product == nullptr) {
                member_.reset();
                position_ = position_ == Position::first ? Position::second : Position::done;
                continue;
            }
            if (!reported_.insert(product->productCode).second) {
                LOG_WARNING(name + "::next", "Product with ProductCode=[" << product->productCode
                                                                          << "] is tracked multiple times");
                continue;
            }
            return product;
        }
        return nullptr;
    }

private:
    enum class Position { first, second, done };

    Position position_ = Position::first;
    std::unique_ptr<InstalledVeskTracker> member_;
    std::set<std::string> reported_;
};
