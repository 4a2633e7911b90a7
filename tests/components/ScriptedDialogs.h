#pragma once

#include "components/StudioDialogs.h"

#include <deque>
#include <vector>

namespace sablewick::test {

// Dialogs answered by the test: each request is kept, and the next scripted answer is given.
// A dialog that was not scripted fails the test's expectations by answering "cancelled".
class ScriptedDialogs final : public StudioDialogs {
public:
    std::optional<QUrl> runOpenPanel(const OpenPanelRequest& request) override
    {
        openRequests.push_back(request);
        return next(openAnswers);
    }
    std::optional<QUrl> runSavePanel(const SavePanelRequest& request) override
    {
        saveRequests.push_back(request);
        return next(saveAnswers);
    }
    std::optional<int> runAlert(const AlertRequest& request) override
    {
        alerts.push_back(request);
        return next(alertAnswers);
    }

    std::deque<std::optional<QUrl>> openAnswers;
    std::deque<std::optional<QUrl>> saveAnswers;
    std::deque<std::optional<int>> alertAnswers;
    std::vector<OpenPanelRequest> openRequests;
    std::vector<SavePanelRequest> saveRequests;
    std::vector<AlertRequest> alerts;

private:
    template <class T>
    static std::optional<T> next(std::deque<std::optional<T>>& answers)
    {
        if (answers.empty())
            return std::nullopt;
        std::optional<T> answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace sablewick::test
