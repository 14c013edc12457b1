// A library that is no COM server: it lacks DllGetClassObject.
extern "C" int NotAServer()
{
    return 42;
}
