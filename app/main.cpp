// The program's entry: the application, its title, the main window and the message loop.
#include <windows.h>

#include <memory>

#include "app/application.h"
#include "app/form_host.h"
#include "app/single_instance.h"
#include "ui/form1.h"
#include "win/com_object.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    const qb::win::ComApartment com;
    qb::app::SingleInstance single;
    if (!single.First()) {
        single.BringRunningForward();
        return 0;
    }
    qb::app::FormHost host;
    qb::app::Application application(instance);
    auto form = std::make_unique<TForm1>();
    Form1 = form.get();
    // A window that cannot be built is reported, and the program ends.
    if (!form->Guard([&] { application.CreateForm(*form, host); })) {
        Form1 = nullptr;
        return 1;
    }
    single.Publish(form->Handle);
    const int code = application.Run(*form, showCommand);
    Form1 = nullptr;
    return code;
}
