// A program with one text field, for the caret tests: it prints where its caret stands, in root
// pixels ("x y", the caret's left edge and vertical middle), whenever the caret moves.
#include <QApplication>
#include <QLineEdit>

#include <cstdio>

namespace {

class Field final : public QLineEdit {
public:
    Field()
    {
        connect(this, &QLineEdit::cursorPositionChanged, this, &Field::report);
        connect(this, &QLineEdit::textChanged, this, &Field::report);
    }

private:
    void report()
    {
        const QRect caret = cursorRect();
        const QPoint at = mapToGlobal(QPoint(caret.center().x(), caret.center().y()));
        std::printf("%d %d\n", at.x(), at.y());
        std::fflush(stdout);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Field field;
    field.setWindowTitle("Caret helper");
    field.setGeometry(200, 300, 500, 40);
    field.show();
    return QApplication::exec();
}
