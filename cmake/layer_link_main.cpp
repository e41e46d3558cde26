// The entry of the layer link checks: the program links one layer whole
// (every object, called or not) with only the layers below it, so that any
// reference upwards is an undefined symbol. It is built, never run.
int main() {
    return 0;
}
