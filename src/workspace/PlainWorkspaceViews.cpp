#include "workspace/PlainWorkspaceViews.h"

#include "components/StudioLabel.h"
#include "editor/EditorModel.h"
#include "media/PlaybackInterfaces.h"

#include <QPainter>
#include <QPointer>
#include <QVBoxLayout>

namespace sablewick {

namespace {

// The movie's current frame, fitted; nothing of the edit's styling.
class PlainPreview final : public QWidget {
public:
    PlainPreview(EditorPlayback& playback, QWidget* parent)
        : QWidget(parent)
        , m_playback(&playback)
    {
        connect(&playback.player(), &VideoPlayer::frameChanged, this, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::black);
        if (!m_playback)
            return;
        const QImage frame = m_playback->player().currentFrame();
        if (frame.isNull())
            return;
        const QSize fitted = frame.size().scaled(size(), Qt::KeepAspectRatio);
        const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
        // Unsmoothed: a full-size frame scaled smoothly on every new frame would cost the main
        // thread more than a frame's time.
        p.drawImage(target, frame);
    }

private:
    QPointer<EditorPlayback> m_playback;
};

QWidget* note(const QString& text, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(20, 16, 20, 16);
    auto* label = new StudioLabel(text, StudioTextStyle::callout, StudioLabelRole::secondary, box);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
    return box;
}

}  // namespace

WorkspaceViews withPlainStandIns(WorkspaceViews views)
{
    if (!views.previewCanvas)
        views.previewCanvas = [](EditorModel& editor, QWidget* parent) {
            return new PlainPreview(editor.playback(), parent);
        };
    if (!views.timeline)
        views.timeline = [](EditorModel&, ContentState&, QWidget* parent) {
            QWidget* w = note(QStringLiteral("The timeline is not available in this build."), parent);
            w->setMinimumHeight(120);
            return w;
        };
    if (!views.inspectorPage)
        views.inspectorPage = [](InspectorTab, EditorModel&, ContentState&, QWidget* parent) {
            return note(QStringLiteral("These settings are not available in this build."), parent);
        };
    return views;
}

}  // namespace sablewick
