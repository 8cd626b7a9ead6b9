// Floor for the sampler's GUI cost: loads OpenCV's highgui and waits for a
// key, which returns at once with no window open.
#include <opencv2/highgui.hpp>

int main()
{
    cv::waitKey(0);
    return 0;
}
