#include "model/model_changes.h"

#include <algorithm>

namespace model {

void ModelChanges::Subscribe(ModelSubscriber* subscriber) {
    if (subscriber && !Subscribed(subscriber)) {
        mSubscribers.push_back(subscriber);
    }
}

void ModelChanges::Unsubscribe(ModelSubscriber* subscriber) {
    std::erase(mSubscribers, subscriber);
}

bool ModelChanges::Subscribed(const ModelSubscriber* subscriber) const {
    return std::find(mSubscribers.begin(), mSubscribers.end(), subscriber) != mSubscribers.end();
}

void ModelChanges::Publish(const ModelChange& change) {
    // A copy: a subscriber may come or go during the calls.
    const std::vector<ModelSubscriber*> subscribers = mSubscribers;
    for (ModelSubscriber* subscriber : subscribers) {
        if (Subscribed(subscriber)) {
            subscriber->OnModelChange(change);
        }
    }
}

}  // namespace model
