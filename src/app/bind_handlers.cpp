#include "app/bind_handlers.h"

#include "generator/generate_handler.h"
#include "generator/random_source.h"
#include "output/clipboard.h"
#include "output/spreadsheet_export.h"
#include "output/text_file.h"
#include "prefixes/area_code_import.h"
#include "prefixes/prefix_editing.h"
#include "prefixes/prefix_files.h"
#include "shell/help.h"
#include "shell/skin.h"

#include <QPushButton>

std::unique_ptr<Form1> makeMainWindow(FormServices services)
{
    if (!services.homePageDraw) {
        RandomSource &random = services.random;
        services.homePageDraw = [&random](int n) { return RandomNumber(n, random); };
    }
    if (!services.skin) {
        services.skin = std::make_shared<StyleSheetSkin>();
    }
    auto form = std::make_unique<Form1>(std::move(services));
    Form1 &f = *form;
    auto bind = [&f](QPushButton *button, void (*handler)(Form1 &)) {
        QObject::connect(button, &QPushButton::clicked, &f, [&f, handler] { handler(f); });
    };
    bind(f.PushButton1, PushButton1_Click);
    bind(f.PushButton2, PushButton2_Click);
    bind(f.PushButton3, PushButton3_Click);
    bind(f.PushButton4, PushButton4_Click);
    bind(f.PushButton5, PushButton5_Click);
    bind(f.PushButton6, PushButton6_Click);
    bind(f.PushButton7, PushButton7_Click);
    bind(f.PushButton8, PushButton8_Click);
    bind(f.PushButton9, PushButton9_Click);
    bind(f.PushButton10, PushButton10_Click);
    bind(f.PushButton11, PushButton11_Click);
    bind(f.PushButton12, PushButton12_Click);
    bind(f.PushButton13, PushButton13_Click);
    QObject::connect(f.PushButton14, &QPushButton::clicked, &f,
                     [&f] { PushButton14_Click(f.desktop()); });
    QObject::connect(
        &f, &Form1::ListView1_KeyDown, &f,
        [&f](int key, Qt::KeyboardModifiers modifiers) { ListView1_KeyDown(f, key, modifiers); });
    QObject::connect(&f, &Form1::ListView1_DblClick, &f, [&f] { ListView1_DblClick(f); });
    return form;
}
