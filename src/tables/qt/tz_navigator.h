#pragma once
// The navigator of a table grid: ten buttons that move and change the
// dataset (First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel,
// Refresh). Its Delete button deletes a live record and restores a deleted
// one, each after a question when ConfirmDelete or ConfirmRestore is set.

#include <QToolButton>
#include <QWidget>
#include <array>

#include "tables/qt/tz_grid.h"

namespace veldrim {

enum class TzNavButton {
    nbFirst,
    nbPrior,
    nbNext,
    nbLast,
    nbInsert,
    nbDelete,
    nbEdit,
    nbPost,
    nbCancel,
    nbRefresh
};
inline constexpr int kNavButtons = 10;

class TzNavigator : public QWidget {
    Q_OBJECT
public:
    explicit TzNavigator(QWidget* parent = nullptr);

    // The grid whose dataset the buttons act on.
    void SetGrid(TzGrid* grid) { grid_ = grid; }
    bool ConfirmDelete = false;
    bool ConfirmRestore = false;
    // Only the four moving buttons (pick modes), or all ten.
    void SetMoveButtonsOnly(bool on);
    QToolButton* Button(TzNavButton b) const { return buttons_[static_cast<std::size_t>(b)]; }
    // Does what the button does.
    void Click(TzNavButton b);

signals:
    void clicked(veldrim::TzNavButton button);

private:
    void DeleteOrRestore();

    TzGrid* grid_ = nullptr;
    std::array<QToolButton*, kNavButtons> buttons_{};
};

}  // namespace veldrim
